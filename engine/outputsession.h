#pragma once

#include "mixer.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace kevaro {

class AudioOutput;
class Voice;

// The engine's mixer and the output stream it plays through. Shared by the engine and the
// voices it handed out, so a voice may outlive the engine. Presses only queue commands for
// the mixer; whatever waits for the sound server (opening, pausing, closing) runs on the
// engine's worker, and no lock is held across it.
class OutputSession : public std::enable_shared_from_this<OutputSession>
{
public:
    enum class PlayOutcome { Played, Waiting, Unplayable, Disconnected };

    // The default output: PipeWire's own stream where PipeWire is the sound server, else a
    // stream of the pulse protocol; nullptr when none can be had. Waits for the server, so
    // only on the engine's worker.
    static std::shared_ptr<OutputSession> openDefault();
    // A session with no output: the caller renders its mixer (tests, benches).
    static std::shared_ptr<OutputSession> withoutOutput();

    ~OutputSession();

    // Starts the note and returns at once; reads memory only. A note not decoded yet is
    // handed to the note loader and sounds once it is (Waiting, no voice). With keepHandle
    // the caller gets a voice holding one reference.
    Voice *play(const std::string &path, float x, float y, float z, bool looped, bool startPaused,
                bool keepHandle, NoteExpression expression, PlayOutcome &outcome);

    // Whether the output went away (its sound server died, say); false once closed.
    bool isDisconnected() const;
    // For the worker: pauses the output when it is not wanted (the window hidden) or nothing
    // sounded for idleFor, wakes it when a note sounds. Waits for the server, without the lock.
    void pauseOrWake(std::chrono::steady_clock::duration idleFor, bool wanted);

    // Stops every sound at once; earlier voices' handles do nothing from now on.
    void silence();
    // MIDI in plays from this table from now on.
    void setMidiTable(std::shared_ptr<const MidiNoteTable> table);
    // Stops every sound and closes the output. Waits for the server: the worker's.
    void close();

    // The mixer, for the render side of a session without output.
    Mixer &mixer() { return mixer_; }

    // For Voice.
    void letGo(const Voice &voice);
    void pause(const Voice &voice);
    void resume(const Voice &voice);
    void stop(const Voice &voice);
    void fadeOut(const Voice &voice, std::uint32_t frames);
    bool isPlaying(const Voice &voice);

    OutputSession();
    OutputSession(const OutputSession &) = delete;
    OutputSession &operator=(const OutputSession &) = delete;

private:
    // Whether the voice belongs to this epoch; caller holds mutex_.
    bool isCurrent(const Voice &voice) const;

    // Destroyed after the output, whose render thread reads it.
    Mixer mixer_;
    std::unique_ptr<AudioOutput> output_;

    mutable std::mutex mutex_;
    std::uint64_t epoch_ = 0;
    bool closed_ = false;
    bool paused_ = false;
    std::chrono::steady_clock::time_point lastSound_ = std::chrono::steady_clock::now();
    // A MIDI note came in since the worker last looked: it counts as a sound, and wakes a paused
    // output. Set on the output's own thread without the lock.
    const std::shared_ptr<std::atomic<bool>> midiNoteCame_ =
        std::make_shared<std::atomic<bool>>(false);
};

} // namespace kevaro
