#pragma once

#include <string>

namespace kevaro {

// What answers on the pulse protocol: PulseAudio itself, or PipeWire's pulse server.
class SoundServer
{
public:
    struct Answer
    {
        bool answers = false;
        bool isPipeWire = false;
        // The server's own name, e.g. "pulseaudio" or "PulseAudio (on PipeWire 0.3.65)".
        std::string name;
    };

    // Asks the server libpulse would connect to; waits for it a second at most, so only on
    // the engine's own threads.
    static Answer ask();
};

} // namespace kevaro
