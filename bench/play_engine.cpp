// Plays a note file through Kevaro's sound engine COUNT times, EVERY milliseconds apart, and
// prints the CLOCK_MONOTONIC time (ns) of each play call, one a line, for bench_monitor.
//   bench_play_engine FILE COUNT EVERY_MS
#include "soundengine.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

timespec after(timespec time, long ms)
{
    time.tv_nsec += ms * 1000000;
    time.tv_sec += time.tv_nsec / 1000000000;
    time.tv_nsec %= 1000000000;
    return time;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_play_engine FILE COUNT EVERY_MS\n");
        return 2;
    }
    const int count = std::atoi(argv[2]);
    const long every = std::atol(argv[3]);
    kevaro::SoundEngine *engine = kevaro::SoundEngine::open();
    if (!engine) {
        std::fprintf(stderr, "no output device\n");
        return 1;
    }
    // Settle as the piano would before the first touch: the device may still be opening.
    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    next = after(next, 1000);
    for (int i = 0; i < count; ++i) {
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        engine->playAt(argv[1], 0, 0, 0, false, false, false, kevaro::LoadMode::Automatic, false);
        std::printf("%lld\n", (long long)now.tv_sec * 1000000000 + now.tv_nsec);
        next = after(next, every);
    }
    // Let the last note finish before the device closes.
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    engine->release();
    return 0;
}
