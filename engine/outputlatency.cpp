#include "outputlatency.h"

#include "audiooutput.h"
#include "realtimekit.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <sched.h>
#include <string>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace kevaro {

namespace {

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

int requestedPeriodFrames()
{
    // Said once, however often outputs are opened.
    static std::atomic<bool> said{false};
    const std::string requested = environment("KEVARO_AUDIO_PERIOD");
    if (requested.empty())
        return 0;
    char *end = nullptr;
    const long frames = std::strtol(requested.c_str(), &end, 10);
    if (*end == '\0' && frames >= 64 && frames <= 8192)
        return int(frames);
    if (!said.exchange(true))
        std::fprintf(stderr,
                     "kevaro: ignoring KEVARO_AUDIO_PERIOD=%s (frames per period, 64 to 8192)\n",
                     requested.c_str());
    return 0;
}

// The priority asked of RealtimeKit; PulseAudio's own threads take the same.
constexpr int realtimeKitPriority = 5;

pid_t currentThreadId()
{
    return pid_t(syscall(SYS_gettid));
}

bool isRealtime(pid_t thread)
{
    const int policy = sched_getscheduler(thread);
    return policy == SCHED_RR || policy == SCHED_FIFO;
}

// Asks RealtimeKit for the thread; whether it is real-time then.
bool raiseThroughRealtimeKit(pid_t thread)
{
    if (!OutputLatency::realtimeKitGrants())
        return false;
    std::string whyNot;
    if (RealtimeKit::makeRealtime(thread, realtimeKitPriority, whyNot))
        return true;
    std::fprintf(stderr, "kevaro: RealtimeKit: %s\n", whyNot.c_str());
    return false;
}

} // namespace

bool OutputLatency::mixerCanRunRealtime()
{
    static const bool allowed = [] {
        bool granted = false;
        std::thread probe([&granted] {
            sched_param priority{};
            priority.sched_priority = 1;
            granted = pthread_setschedparam(pthread_self(), SCHED_RR, &priority) == 0;
        });
        probe.join();
        return granted;
    }();
    return allowed;
}

bool OutputLatency::realtimeKitGrants()
{
    static const bool granted = [] {
        // A throwaway thread, so that a grant changes nothing but what is learnt.
        bool yes = false;
        std::string whyNot;
        std::thread probe([&] {
            yes = RealtimeKit::makeRealtime(currentThreadId(), realtimeKitPriority, whyNot);
        });
        probe.join();
        if (!yes)
            std::fprintf(stderr, "kevaro: no real-time mixer (%s); using longer periods\n",
                         whyNot.c_str());
        return yes;
    }();
    return granted;
}

int OutputLatency::chosenPeriodFrames()
{
    if (const int requested = requestedPeriodFrames())
        return requested;
    return mixerCanRunRealtime() || realtimeKitGrants() ? realtimePeriodFrames
                                                        : ordinaryPeriodFrames;
}

int OutputLatency::queuedPeriodFrames()
{
    const int requested = requestedPeriodFrames();
    return requested ? requested : ordinaryPeriodFrames;
}

OutputLatency::MixerPriority OutputLatency::raiseRenderThread(pid_t thread)
{
    if (thread == 0)
        return MixerPriority::None;
    if (mixerCanRunRealtime()) {
        sched_param priority{};
        priority.sched_priority = realtimeKitPriority;
        return isRealtime(thread) ||
                       sched_setscheduler(thread, SCHED_RR | SCHED_RESET_ON_FORK, &priority) == 0
                   ? MixerPriority::Own
                   : MixerPriority::None;
    }
    // PipeWire may have raised it already.
    return isRealtime(thread) || raiseThroughRealtimeKit(thread) ? MixerPriority::RealtimeKit
                                                                 : MixerPriority::None;
}

namespace {

const char *describe(OutputLatency::MixerPriority priority)
{
    using MixerPriority = OutputLatency::MixerPriority;
    return priority == MixerPriority::Own           ? "its own"
           : priority == MixerPriority::RealtimeKit ? "RealtimeKit"
                                                    : "none";
}

} // namespace

void OutputLatency::report(const AudioOutput &output, MixerPriority priority)
{
    std::fprintf(stderr, "kevaro: audio output latency %.1f ms (%s; real-time mixer: %s)\n",
                 output.latencyMs(), output.describe().c_str(), describe(priority));
}

} // namespace kevaro
