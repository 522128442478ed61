#pragma once

#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// Kevaro's own preferences, in $XDG_CONFIG_HOME/kevaro/kevaro.conf (INI), apart from the
// sound sets' settings file: how a touch plays, and whether MIDI keyboards are linked by
// themselves. Read once, when made; a change is written on a thread of its own, so the screen
// never waits for the disk, and the last change is written before the object goes.
class Preferences
{
public:
    Preferences();
    ~Preferences();
    Preferences(const Preferences &) = delete;
    Preferences &operator=(const Preferences &) = delete;

    static QString filePath();

    // Loudness from where a key is touched; off, every press is played alike.
    bool dynamics() const { return values.dynamics; }
    // A note ends when its key is let go; off, it rings on.
    bool stopOnRelease() const { return values.stopOnRelease; }
    // MIDI keyboards that appear are linked to the piano's input.
    bool midiAutoconnect() const { return values.midiAutoconnect; }

    void setDynamics(bool on);
    void setStopOnRelease(bool on);

private:
    struct Values
    {
        bool dynamics = false;
        bool stopOnRelease = false;
        bool midiAutoconnect = true;
    };

    // The file's values; the defaults, with one line on standard error, when it is broken.
    static Values read();
    static void write(const Values &written);
    void changed();
    void writeInTurn();

    Values values;
    std::mutex mutex;
    std::condition_variable wake;
    // What the writer is to write next; guarded by mutex, as is closing.
    std::optional<Values> pending;
    bool closing = false;
    // Started by the first change.
    std::thread writer;
};
