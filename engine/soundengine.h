#pragma once

#include "midievent.h"
#include "mixer.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace kevaro {

class OutputSession;
class Voice;

// How a note file is brought into memory before it plays. Notes are short, so every mode
// decodes the whole file once and keeps it.
enum class LoadMode { Automatic, Stream, Whole };

// Plays WAV files at 3-D positions through the engine's own mixer, on the default output.
// Reference-counted: when the last reference is released every sound stops. Safe to use from
// any thread; no call waits for the sound server or the disk.
//
// Threads: the caller's (presses), "kevaro-output" (opens, pauses and closes outputs),
// "kevaro-loader" (reads and decodes note files) and "kevaro-render" (the output's real-time
// thread, which mixes).
class SoundEngine
{
public:
    // Starts opening the default output in the background, so that a later open() finds it
    // ready.
    static void prepare();
    // An engine on the default output; never waits for it. It takes the prepared output, or
    // the one being opened in the background once it is ready: a note played before then
    // sounds as soon as the output is there (playAt gives nullptr). The same when the output
    // goes away (its sound server died): notes wait for a replacement, opened in the
    // background, for a second at most, else they are dropped. nullptr while no output can be
    // had; the background keeps trying, and a later open() finds it.
    static SoundEngine *open();
    // Whether the last try to open the default output failed and none is ready.
    static bool outputIsMissing();
    // Plays on a session the caller renders (tests, benches).
    static SoundEngine *openOnSession(std::shared_ptr<OutputSession> session);
    // Whether anyone can hear the piano: while not (its window hidden), the output pauses.
    static void setOutputWanted(bool wanted);
    // The process ends: nothing more is opened, and what is open is left to the exit.
    static void shutDown();

    // MIDI, on PipeWire: the piano's node "Kevaro" with ports "midi-in" and "midi-out".
    // The selected set's note files by the MIDI key each was recorded at (C1, middle C, is 60):
    // MIDI in plays from them once the note loader decoded them. Never waits.
    static void setMidiNotes(std::vector<std::pair<int, std::string>> files);
    // Whether the piano links the MIDI keyboards PipeWire's MIDI bridge offers to its input,
    // those there at start and those plugged in later; before the output opens. On by default.
    static void setMidiAutoconnect(bool on);
    // Hears what comes in on MIDI (keys, the pedal, a set chosen), on a thread of the engine's
    // own, never the real-time one; an empty function hears nothing.
    static void setMidiListener(std::function<void(const MidiEvent &)> listener);
    // MIDI out, from one thread at a time (the GUI's); never waits. Channel 1.
    static void sendNoteOn(int key, int velocity);
    static void sendNoteOff(int key);
    static void sendAllNotesOff();

    // Starts the file at (x, y, z) and returns at once; the sound mixes on the output's
    // thread. A mono file is placed there, a stereo one plays as recorded. looped repeats it,
    // startPaused prepares it without sound (Voice::resume starts it). With keepHandle the
    // caller gets a Voice holding one reference, otherwise nullptr. nullptr also when the file
    // is missing, cannot be decoded, or is not decoded yet: then it sounds once the note
    // loader decoded it. mode and effects are accepted for callers that pass them; every note
    // is decoded whole, and the engine has no effects. expression gives the note's loudness
    // and pitch; by default as recorded.
    Voice *playAt(const char *path, float x, float y, float z, bool looped, bool startPaused,
                  bool keepHandle, LoadMode mode, bool effects, NoteExpression expression = {});

    void addRef();
    void release();

    SoundEngine(const SoundEngine &) = delete;
    SoundEngine &operator=(const SoundEngine &) = delete;

private:
    SoundEngine(std::shared_ptr<OutputSession> session, bool onDefaultOutput);
    ~SoundEngine();

    const bool onDefaultOutput_;
    std::mutex mutex_;
    // Empty until the default output is ready; replaced when it went away.
    std::shared_ptr<OutputSession> session_;
    std::atomic<int> references_{1};
};

} // namespace kevaro
