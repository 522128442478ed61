#pragma once

#include "config.h"
#include "preferences.h"

#include <QList>
#include <QQuickItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <string>

#include <map>

namespace kevaro {
class SoundEngine;
class Voice;
struct MidiEvent;
} // namespace kevaro

// The piano's sound element, known to the document as SoundMethod: it owns the sound sets,
// plays notes through the sound engine and forwards the system volume.
class sounder : public QQuickItem
{
    Q_OBJECT
    QML_NAMED_ELEMENT(SoundMethod)
    Q_PROPERTY(int volume READ volume WRITE setVolume NOTIFY volumeChanged)
    Q_PROPERTY(int vecx READ vecx WRITE setVecx NOTIFY vecxChanged)
    Q_PROPERTY(int vecy READ vecy WRITE setVecy NOTIFY vecyChanged)
    Q_PROPERTY(int vecz READ vecz WRITE setVecz NOTIFY veczChanged)
    Q_PROPERTY(bool playlooped READ playlooped WRITE setPlaylooped NOTIFY playloopedChanged)
    Q_PROPERTY(bool play3d READ play3d WRITE setPlay3d NOTIFY play3dChanged)
    // Why the last saveconfig() failed, in words for the settings panel; empty after a save
    // that worked.
    Q_PROPERTY(QString saveerror READ saveerror NOTIFY saveerrorChanged)
    // The preferences (kept in their own file): loudness from where a key is touched, and notes
    // that stop when their key is let go. Applied from the next press or lift on.
    Q_PROPERTY(bool dynamics READ dynamics WRITE setDynamics NOTIFY dynamicsChanged)
    Q_PROPERTY(
        bool stopOnRelease READ stopOnRelease WRITE setStopOnRelease NOTIFY stopOnReleaseChanged)
    // Whether MIDI keyboards that appear are linked to the piano's input.
    Q_PROPERTY(bool midiAutoconnect READ midiAutoconnect CONSTANT)

public:
    explicit sounder(QQuickItem *parent = nullptr);
    ~sounder() override;

    int volume() const { return m_volume; }
    int vecx() const { return m_vecx; }
    int vecy() const { return m_vecy; }
    int vecz() const { return m_vecz; }
    bool playlooped() const { return m_playlooped; }
    bool play3d() const { return m_play3d; }
    QString saveerror() const { return m_saveerror; }
    bool dynamics() const { return preferences.dynamics(); }
    bool stopOnRelease() const { return preferences.stopOnRelease(); }
    bool midiAutoconnect() const { return preferences.midiAutoconnect(); }

    void setVolume(int value);
    void setVecx(int value);
    void setVecy(int value);
    void setVecz(int value);
    void setPlaylooped(bool value);
    void setPlay3d(bool value);
    void setDynamics(bool value);
    void setStopOnRelease(bool value);

    Q_INVOKABLE void dosound(QString myString);
    Q_INVOKABLE void createit();
    Q_INVOKABLE void dropit();
    Q_INVOKABLE void setmedia(int nmedia);
    Q_INVOKABLE int getmedia();
    Q_INVOKABLE QString getmedianame(int nmedia);
    Q_INVOKABLE void setVol(int val);
    Q_INVOKABLE void setconfigname(int nr, QString ctext);
    Q_INVOKABLE void setconfigpath(int nr, QString ctext);
    Q_INVOKABLE QString getconfigname(int nr);
    Q_INVOKABLE QString getconfigpath(int nr);
    Q_INVOKABLE void saveconfig();
    Q_INVOKABLE void loadconfig();

    // A key pressed at `along` its length from its back edge (0) to its front (1): plays the
    // note ("cis1") and gives the press's number for lift(), or 0 for no note of the keyboard.
    Q_INVOKABLE int strike(QString note, qreal along);
    // The key of that press is let go: its note ends as the preferences and the pedal say.
    Q_INVOKABLE void lift(int id);
    // The sustain pedal: while down, notes whose keys are let go ring on.
    Q_INVOKABLE void setSustain(bool down);

    // Whether an engine is held; for tests and diagnostics.
    bool hasEngine() const { return engine != nullptr; }
    // A press not ended yet: the key's MIDI number and the velocity it was played with.
    struct OpenPress
    {
        int number;
        int velocity;
    };
    // The presses not ended yet, oldest first; for tests and diagnostics.
    QList<OpenPress> openPresses() const;

signals:
    void volumeChanged();
    void vecxChanged();
    void vecyChanged();
    void veczChanged();
    void playloopedChanged();
    void play3dChanged();
    void saveerrorChanged();
    void dynamicsChanged();
    void stopOnReleaseChanged();
    // A key ("c1") held down, or let go, on a MIDI keyboard: shown held on screen meanwhile.
    void keyHeldElsewhere(QString note, bool held);
    // A sound set (1 to 5) chosen on a MIDI keyboard, to be chosen as if its button was tapped.
    void setChosenElsewhere(int number);

private:
    // A press from strike() until its end, whatever ends it.
    struct Press
    {
        int number;
        int velocity;
        // The press's own note, released when the press ends; null when none could be had.
        kevaro::Voice *voice;
        bool keyUp;
        // The pedal was down while the key was: the note rings until the pedal comes up.
        bool heldByPedal;
    };
    using Presses = std::map<int, Press>;

    template <typename T> void assign(T &member, T value, void (sounder::*changed)());
    static bool isSetNumber(int nr) { return nr >= 1 && nr <= Config::setCount; }
    QString selectedDirectory() const;
    // A note file of the selected set, as the engine takes paths.
    std::string selectedSetFile(const QString &file) const;
    // Decodes the selected set's note files in the background, ahead of their presses, and
    // hands them to MIDI in.
    void preloadSelectedSet();
    void handSetToMidi();
    // On the GUI thread: what came in on MIDI.
    void midiCame(const kevaro::MidiEvent &event);
    void replaceEngine(kevaro::SoundEngine *next);
    void replaceLastSound(kevaro::Voice *next);
    // Plays the note file ("keycis1") of the selected set; the note's handle, or null.
    kevaro::Voice *play(const QString &noteName, float gain);
    // Each press passes through both once: as it begins and as it ends, whatever ends it.
    void pressBegan(int id, const Press &press);
    void pressEnded(Presses::iterator press, bool fade);
    void endEveryPress();
    // Pauses the sound output while the window is minimised or the application suspended.
    void updateOutputWanted();

    Config config;
    int media = 1;
    int m_volume = 0;
    int m_vecx = 0;
    int m_vecy = 0;
    int m_vecz = 0;
    bool m_playlooped = false;
    bool m_play3d = false;
    QString m_saveerror;
    kevaro::SoundEngine *engine = nullptr;
    kevaro::Voice *lastsound = nullptr;
    Preferences preferences;
    Presses presses;
    int lastPressId = 0;
    bool sustained = false;
};
