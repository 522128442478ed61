#pragma once

#include <AL/alc.h>

#include <memory>
#include <sys/types.h>

namespace kevaro {

// Plays an OpenAL loopback device straight through a PipeWire stream: the stream's real-time
// thread renders each graph cycle's frames when the graph asks for them, so a note started
// now sounds in the next cycle. Through PipeWire's pulse server the same note waits behind
// the server's request steps and the stream's buffer, about 15 ms more.
class PipeWireOutput
{
public:
    enum class Outcome {
        Started,
        // No PipeWire, or it is not the desktop's sound server: use another output.
        NotHere,
        // PipeWire is the sound server but does not answer yet (starting, or hung): wait for
        // it rather than settle for its slower pulse server.
        Awaited
    };

    static constexpr int rate = 48000;

    // The render format the loopback device's context must be created with.
    static const ALCint *contextAttributes();

    // Whether start() may find PipeWire: its socket is there and no PulseAudio daemon runs,
    // or it played for this process before. Never waits.
    static bool worthTrying();
    // Starts rendering the device, asking the graph for cycles of cycleFrames; for when
    // worthTrying(). Waits for the server a moment at most, so only on the engine's own threads.
    static std::unique_ptr<PipeWireOutput> start(ALCdevice *device, int cycleFrames,
                                                 Outcome &outcome);

    ~PipeWireOutput();
    PipeWireOutput(const PipeWireOutput &) = delete;
    PipeWireOutput &operator=(const PipeWireOutput &) = delete;

    // Whether the server went away or dropped the stream.
    bool isDisconnected() const;
    // Stops or resumes the cycles; an inactive stream costs nothing.
    void setActive(bool active);
    // The kernel id of the thread that renders; waits for the first cycle a moment at most,
    // 0 when it has not come.
    pid_t renderThread() const;

    struct Connection;

private:
    explicit PipeWireOutput(std::unique_ptr<Connection> connection);

    std::unique_ptr<Connection> connection_;
};

} // namespace kevaro
