// PulseOutput's figures, for bench/pulse_onset.sh:
//   bench_pulse_onset onset late|plain PERIOD COUNT EVERY_MS
//       starts Kevaro's test tone COUNT times, mixed into the queued frames (late) or waiting
//       behind them (plain); prints the CLOCK_MONOTONIC time (ns) of each start, for
//       bench_monitor
//   bench_pulse_onset dropouts PERIOD SECONDS
//       plays a tone that long; prints the underflows the server reported
#include "decodednote.h"
#include "mixer.h"
#include "pulseoutput.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

namespace {

long long nowNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000000000 + now.tv_nsec;
}

// C5, 250 ms at half scale, 2 ms rise and 10 ms fall: the tone the other benches play.
std::shared_ptr<const kevaro::DecodedNote> tone()
{
    auto note = std::make_shared<kevaro::DecodedNote>();
    note->channels = 1;
    note->sampleRate = kevaro::Mixer::rate;
    const long frames = note->sampleRate / 4;
    for (long i = 0; i < frames; ++i) {
        const double envelope = std::min(
            {1.0, i / (note->sampleRate * 0.002), (frames - i) / (note->sampleRate * 0.01)});
        note->samples.push_back(
            std::int16_t(16383 * envelope * std::sin(2 * M_PI * 523.25 * i / note->sampleRate)));
    }
    return note;
}

void sleepMs(long ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

int main(int argc, char **argv)
{
    const bool onset = argc == 6 && std::strcmp(argv[1], "onset") == 0;
    const bool dropouts = argc == 4 && std::strcmp(argv[1], "dropouts") == 0;
    if (!onset && !dropouts) {
        std::fprintf(stderr, "usage: bench_pulse_onset onset late|plain PERIOD COUNT EVERY_MS\n"
                             "       bench_pulse_onset dropouts PERIOD SECONDS\n");
        return 2;
    }
    kevaro::Mixer mixer;
    std::string whyNot;
    auto output = kevaro::PulseOutput::open(mixer, std::atoi(argv[onset ? 3 : 2]), whyNot);
    if (!output) {
        std::fprintf(stderr, "bench_pulse_onset: %s\n", whyNot.c_str());
        return 1;
    }
    const auto note = tone();
    if (onset) {
        output->setMixLate(std::strcmp(argv[2], "late") == 0);
        sleepMs(500);
        for (int i = 0, count = std::atoi(argv[4]); i < count; ++i) {
            // Off the request rhythm, as a finger is.
            sleepMs(std::atol(argv[5]) + std::rand() % 5);
            std::printf("%lld\n", nowNs());
            std::fflush(stdout);
            mixer.start(note, 0, 0, 0, false, false, false);
            output->notesQueued();
        }
        sleepMs(500);
    } else {
        mixer.start(note, 0, 0, 0, true, false, false);
        sleepMs(std::atol(argv[3]) * 1000);
        std::printf("%llu\n", (unsigned long long)output->underflows());
    }
    std::fprintf(stderr, "%s; %llu notes mixed late, %llu underflows\n", output->describe().c_str(),
                 (unsigned long long)output->notesMixedLate(),
                 (unsigned long long)output->underflows());
    return 0;
}
