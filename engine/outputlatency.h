#pragma once

#include <AL/alc.h>

#include <string>
#include <sys/types.h>
#include <vector>

namespace kevaro {

// Keeps the delay between a press and its sound short. OpenAL Soft takes its buffer sizes
// from its configuration files only, and reads them once per process, so unless the user
// tuned them there, the first default device opens with a configuration of the engine's
// own. KEVARO_AUDIO_PERIOD (frames per period, 64 to 8192) overrides both.
class OutputLatency
{
public:
    // Periods of 256 frames (three: about 13 ms to the sound server) play without dropouts
    // on a busy two-core machine only when OpenAL's mixer runs at real-time priority; without
    // it, even 512 frames drop out now and then, and 1024 frames are the shortest that never
    // did.
    static constexpr int realtimePeriodFrames = 256;
    static constexpr int ordinaryPeriodFrames = 1024;
    static constexpr int periods = 3;

    // How the mixer thread got its priority: by itself, from RealtimeKit, or not at all.
    enum class MixerPriority { Own, RealtimeKit, None };

    // Whether this process may give a thread real-time priority, as OpenAL's mixer asks for.
    static bool mixerCanRunRealtime();
    // Whether RealtimeKit makes this process's threads real-time; asked once, over D-Bus, so
    // only on the engine's own threads. Says once on stderr why not.
    static bool realtimeKitGrants();
    // The periods the engine chooses when nobody else did; may ask RealtimeKit.
    static int defaultPeriodFrames();
    // Frames per period the engine asks for: KEVARO_AUDIO_PERIOD if valid, else 0 when an
    // OpenAL configuration file sets period_size or periods, else defaultPeriodFrames().
    static int chosenPeriodFrames();
    // The configuration that asks OpenAL for these periods, and for a real-time mixer where
    // that is allowed and the user's configuration does not say otherwise; it starts with
    // the file ALSOFT_CONF names, if any, so the user's other settings still apply.
    static std::string configuration(int periodFrames);

    // Points OpenAL at a configuration file of the engine's own, once per process, unless the
    // user's configuration chose the buffers. It changes the environment, so it runs on the
    // caller's thread before the engine starts any; the file is written before the first open.
    static void applyConfiguration();
    // Whether a sound server is installed but does not answer (not started yet). OpenAL settles
    // its backends with the first device: a PulseAudio backend that finds no server then is
    // gone for the rest of the process, so no device is tried while this holds. Never waits.
    static bool soundServerAwaited();
    // Opens the default output device; nullptr when no device can be had, or while the
    // sound server is awaited.
    static ALCdevice *openDefaultDevice();
    // Gives the output's threads among those that appeared while a device opened (OpenAL's
    // mixer, or where OpenAL leaves its threads unnamed those and libpulse's loop) real-time
    // priority through RealtimeKit where the mixer has none of its own.
    static MixerPriority raiseMixer(const std::vector<pid_t> &newThreads);
    // Gives the thread that renders a PipeWire stream real-time priority through RealtimeKit
    // where PipeWire did not already; how it got it.
    static MixerPriority raiseRenderThread(pid_t thread);
    // One line on stderr: the latency the device reports, the buffers it runs with and how
    // its mixer got its priority.
    static void report(ALCdevice *device, MixerPriority priority);
    // The same for a PipeWire stream rendered once a graph cycle of cycleFrames.
    static void reportCycles(int cycleFrames, int rate, MixerPriority priority);
};

} // namespace kevaro
