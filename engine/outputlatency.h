#pragma once

#include <sys/types.h>

namespace kevaro {

class AudioOutput;

// Keeps the delay between a press and its sound short: the buffers an output asks for, and
// real-time priority for the one thread that mixes. KEVARO_AUDIO_PERIOD (frames per period or
// cycle, 64 to 8192) overrides the engine's choice.
class OutputLatency
{
public:
    // Periods of 256 frames play without dropouts on a busy two-core machine only when the
    // thread that mixes runs at real-time priority; without it 1024 frames are the shortest
    // that never dropped out.
    static constexpr int realtimePeriodFrames = 256;
    static constexpr int ordinaryPeriodFrames = 1024;

    // How the render thread got its priority: by itself, from RealtimeKit, or not at all.
    enum class MixerPriority { Own, RealtimeKit, None };

    // Whether this process may give a thread real-time priority itself (root, or an rtprio
    // limit).
    static bool mixerCanRunRealtime();
    // Whether RealtimeKit makes this process's threads real-time; asked once, over D-Bus, so
    // only on the engine's own threads. Says once on stderr why not.
    static bool realtimeKitGrants();
    // Frames per period the engine asks for: KEVARO_AUDIO_PERIOD if valid, else 256 where the
    // render thread can run real-time, else 1024. May ask RealtimeKit.
    static int chosenPeriodFrames();
    // The same for an output that mixes a new note into what it already queued (the pulse
    // stream): its buffer no longer sets a note's delay, so it is as long as keeps a busy
    // machine free of dropouts and a silent piano cheap, real-time or not.
    static int queuedPeriodFrames();
    // Gives the output's render thread real-time priority, by the process itself where it may,
    // else through RealtimeKit, unless the sound server's library did already; how it got it.
    static MixerPriority raiseRenderThread(pid_t thread);
    // One line on stderr: the latency, the buffers and how the render thread got its priority.
    static void report(const AudioOutput &output, MixerPriority priority);
};

} // namespace kevaro
