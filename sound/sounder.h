#pragma once

#include "config.h"

#include <QQuickItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace kevaro {
class SoundEngine;
class Voice;
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

    void setVolume(int value);
    void setVecx(int value);
    void setVecy(int value);
    void setVecz(int value);
    void setPlaylooped(bool value);
    void setPlay3d(bool value);

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

    // Whether an engine is held; for tests and diagnostics.
    bool hasEngine() const { return engine != nullptr; }

signals:
    void volumeChanged();
    void vecxChanged();
    void vecyChanged();
    void veczChanged();
    void playloopedChanged();
    void play3dChanged();
    void saveerrorChanged();

private:
    template <typename T> void assign(T &member, T value, void (sounder::*changed)());
    static bool isSetNumber(int nr) { return nr >= 1 && nr <= Config::setCount; }
    QString selectedDirectory() const;
    // Decodes the selected set's note files in the background, ahead of their presses.
    void preloadSelectedSet();
    void replaceEngine(kevaro::SoundEngine *next);
    void replaceLastSound(kevaro::Voice *next);
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
};
