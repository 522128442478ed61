#pragma once

#include <AL/alc.h>

#include <string>

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

    // Whether this process may give a thread real-time priority, as OpenAL's mixer asks for.
    static bool mixerCanRunRealtime();
    // The periods the engine chooses when nobody else did.
    static int defaultPeriodFrames();
    // Frames per period the engine asks for: KEVARO_AUDIO_PERIOD if valid, else 0 when an
    // OpenAL configuration file sets period_size or periods, else defaultPeriodFrames().
    static int chosenPeriodFrames();
    // The configuration that asks OpenAL for these periods, and for a real-time mixer where
    // that is allowed and the user's configuration does not say otherwise; it starts with
    // the file ALSOFT_CONF names, if any, so the user's other settings still apply.
    static std::string configuration(int periodFrames);

    // Points OpenAL at a configuration with the chosen periods, once per process. It changes
    // the environment, so it runs on the caller's thread before the engine starts any.
    static void applyConfiguration();
    // Opens the default output device; nullptr when no device can be had.
    static ALCdevice *openDefaultDevice();
    // One line on stderr: the latency the device reports and the buffers it runs with.
    static void report(ALCdevice *device);
};

} // namespace kevaro
