// The shortest touch to sound any always-running stream gets from the sound server: a bare
// libpulse stream asking what Kevaro's output asks (256-frame requests, three of them
// buffered), its loop thread real-time as Kevaro's mixer, that starts a tone in the first
// request after each "press". Prints the CLOCK_MONOTONIC time (ns) of every press, for
// bench_monitor.
//   bench_stream_floor COUNT EVERY_MS
#include "realtimekit.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <pthread.h>
#include <sched.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int rate = 48000;
constexpr int requestFrames = 256;
// Kevaro's test tone: C5, 250 ms at half scale, 2 ms rise and 10 ms fall.
constexpr double toneHz = 523.25;
constexpr long toneFrames = rate / 4;

std::atomic<bool> pressed{false};
long tonePosition = toneFrames; // at the end: silence

long long nowNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000000000 + now.tv_nsec;
}

void raiseThisThread()
{
    sched_param priority{};
    priority.sched_priority = 5;
    std::string whyNot;
    if (pthread_setschedparam(pthread_self(), SCHED_RR, &priority) != 0 &&
        !kevaro::RealtimeKit::makeRealtime(pid_t(syscall(SYS_gettid)), 5, whyNot))
        std::fprintf(stderr, "bench_stream_floor: not real-time: %s\n", whyNot.c_str());
}

void fillRequest(pa_stream *stream, std::size_t bytes, void *)
{
    static bool raised = false;
    if (!raised) {
        raiseThisThread();
        raised = true;
    }
    if (pressed.exchange(false))
        tonePosition = 0;
    std::vector<std::int16_t> samples(bytes / sizeof(std::int16_t));
    for (std::int16_t &sample : samples) {
        if (tonePosition >= toneFrames)
            break;
        const long left = toneFrames - tonePosition;
        const double envelope =
            std::min({1.0, tonePosition / (rate * 0.002), left / (rate * 0.01)});
        sample = std::int16_t(16383 * envelope * std::sin(2 * M_PI * toneHz * tonePosition / rate));
        ++tonePosition;
    }
    pa_stream_write(stream, samples.data(), bytes, nullptr, 0, PA_SEEK_RELATIVE);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_stream_floor COUNT EVERY_MS\n");
        return 2;
    }
    pa_threaded_mainloop *loop = pa_threaded_mainloop_new();
    pa_context *context = pa_context_new(pa_threaded_mainloop_get_api(loop), "bench_stream_floor");
    pa_context_set_state_callback(
        context,
        [](pa_context *, void *loop) {
            pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop *>(loop), 0);
        },
        loop);
    pa_threaded_mainloop_lock(loop);
    pa_threaded_mainloop_start(loop);
    pa_context_connect(context, nullptr, PA_CONTEXT_NOFLAGS, nullptr);
    while (pa_context_get_state(context) != PA_CONTEXT_READY) {
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
            std::fprintf(stderr, "bench_stream_floor: no sound server\n");
            return 1;
        }
        pa_threaded_mainloop_wait(loop);
    }
    const pa_sample_spec format{PA_SAMPLE_S16LE, rate, 1};
    pa_stream *stream = pa_stream_new(context, "stream floor", &format, nullptr);
    pa_stream_set_write_callback(stream, fillRequest, nullptr);
    pa_buffer_attr attr{};
    attr.maxlength = std::uint32_t(-1);
    attr.minreq = requestFrames * sizeof(std::int16_t);
    attr.tlength = 3 * attr.minreq;
    attr.prebuf = 0;
    attr.fragsize = std::uint32_t(-1);
    pa_stream_connect_playback(stream, nullptr, &attr,
                               pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY |
                                                 PA_STREAM_INTERPOLATE_TIMING |
                                                 PA_STREAM_AUTO_TIMING_UPDATE),
                               nullptr, nullptr);
    pa_threaded_mainloop_unlock(loop);

    usleep(500000);
    const int count = std::atoi(argv[1]);
    const long every = std::atol(argv[2]);
    for (int i = 0; i < count; ++i) {
        // Off the request rhythm, as a finger is.
        usleep(useconds_t(every * 1000 + std::rand() % 5000));
        std::printf("%lld\n", nowNs());
        std::fflush(stdout);
        pressed = true;
    }
    usleep(500000);
    pa_threaded_mainloop_stop(loop);
    return 0;
}
