#pragma once

#include "audiooutput.h"

#include <memory>

namespace kevaro {

class Mixer;

// Plays the mixer straight through a PipeWire stream: the stream's real-time thread mixes each
// graph cycle's frames when the graph asks for them, so a note started now sounds in the next
// cycle. Through PipeWire's pulse server the same note waits behind the server's request steps
// and the stream's buffer, about 15 ms more. Beside the stream, in the same context, the MIDI
// node "Kevaro" (MidiNode), whose process triggers the stream's each cycle, and the links of
// MIDI keyboards to it (MidiAutoconnect).
class PipeWireOutput : public AudioOutput
{
public:
    enum class Outcome {
        Started,
        // No PipeWire, or it has no sound card: use another output.
        NotHere,
        // PipeWire is the sound server but does not answer yet (starting, or hung): wait for
        // it rather than settle for its slower pulse server.
        Awaited
    };

    static constexpr int rate = 48000;

    // Whether start() may find PipeWire when no pulse server answers: its socket is there, or
    // it played for this process before. Never waits.
    static bool worthTrying();
    // Starts mixing into a stream, asking the graph for cycles of cycleFrames. Waits for the
    // server a moment at most, so only on the engine's worker. The mixer outlives the output.
    static std::unique_ptr<PipeWireOutput> start(Mixer &mixer, int cycleFrames, Outcome &outcome);

    ~PipeWireOutput() override;
    PipeWireOutput(const PipeWireOutput &) = delete;
    PipeWireOutput &operator=(const PipeWireOutput &) = delete;

    bool isDisconnected() const override;
    void setActive(bool active) override;
    bool isActive() const override;
    // Waits for the first cycle a moment at most.
    pid_t renderThread() const override;
    std::string describe() const override;
    double latencyMs() const override;
    void setMidiNoteHandler(std::function<void()> handler) override;

    struct Connection;

private:
    explicit PipeWireOutput(std::unique_ptr<Connection> connection);

    std::unique_ptr<Connection> connection_;
};

} // namespace kevaro
