#pragma once

#include <functional>
#include <string>
#include <sys/types.h>

namespace kevaro {

// Where the engine's mix goes: a stream at the sound server whose real-time thread calls the
// mixer's render side. Opening, pausing and closing wait for the server, so they belong on the
// engine's worker; the rest never waits.
class AudioOutput
{
public:
    virtual ~AudioOutput() = default;

    // Whether the server went away or dropped the stream.
    virtual bool isDisconnected() const = 0;
    // Stops or resumes the stream; a paused stream costs nothing. Waits for the server.
    virtual void setActive(bool active) = 0;
    // Whether the server says the stream runs (not corked or suspended by us).
    virtual bool isActive() const = 0;
    // The kernel id of the thread that calls the render side, 0 until it first did.
    virtual pid_t renderThread() const = 0;
    // Commands were queued for the mixer: an output that can mix a new note into what it
    // already sent does so now. Never blocks.
    virtual void notesQueued() {}
    // The buffers and the path it plays through, for the latency line, e.g. "256 frames a
    // cycle at 48000 Hz through PipeWire".
    virtual std::string describe() const = 0;
    // The delay from a note's start to the server, in milliseconds.
    virtual double latencyMs() const = 0;
    // Called, on a thread of the output's own, when a MIDI note comes in: a paused output then
    // wakes. Only outputs with MIDI call it.
    virtual void setMidiNoteHandler(std::function<void()>) {}
};

} // namespace kevaro
