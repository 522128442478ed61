// Plays a quiet drone through PulseOutput and, a second in, a louder note, for pulse_late.sh;
// prints what the output did. Both fade in and out, so that a step in a recording of them
// larger than their own is a fault.
#include "decodednote.h"
#include "mixer.h"
#include "pulseoutput.h"
#include "soundserver.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <thread>

namespace {

// A sine rising over `rise` seconds and falling over 5 ms.
std::shared_ptr<const kevaro::DecodedNote> sine(double hz, double seconds, double level,
                                                double rise)
{
    auto note = std::make_shared<kevaro::DecodedNote>();
    note->channels = 1;
    note->sampleRate = kevaro::Mixer::rate;
    const auto frames = std::size_t(seconds * note->sampleRate);
    const double fade = 0.005 * note->sampleRate, attack = rise * note->sampleRate;
    for (std::size_t i = 0; i < frames; ++i) {
        const double envelope = std::min({1.0, double(i) / attack, double(frames - i) / fade});
        note->samples.push_back(std::int16_t(
            level * envelope * std::sin(2 * M_PI * hz * double(i) / note->sampleRate)));
    }
    return note;
}

} // namespace

int main()
{
    const kevaro::SoundServer::Answer server = kevaro::SoundServer::ask();
    std::cout << "server: " << (server.answers ? server.name : "none")
              << (server.isPipeWire ? " (PipeWire)" : "") << std::endl;
    kevaro::Mixer mixer;
    std::string whyNot;
    // The long queue: the note would wait behind 64 ms of it.
    auto output = kevaro::PulseOutput::open(mixer, 1024, whyNot);
    if (!output) {
        std::cout << "no output: " << whyNot << std::endl;
        return 1;
    }
    std::cout << "output: " << output->describe() << std::endl;
    const auto drone = sine(110, 3, 6000, 0.005);
    // A slow rise: the null sink's monitor shows what the sink rendered, not what a rewind
    // replaced, so the note may appear some milliseconds into its rise there.
    const auto note = sine(440, 0.5, 12000, 0.2);
    mixer.start(drone, 0, 0, 0, false, false, false);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    mixer.start(note, 0, 0, 0, false, false, false);
    output->notesQueued();
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    std::cout << "render thread: " << output->renderThread() << std::endl;
    std::cout << "notes mixed late: " << output->notesMixedLate() << std::endl;
    std::cout << "underflows: " << output->underflows() << std::endl;
    std::cout << "disconnected: " << output->isDisconnected() << std::endl;
    return 0;
}
