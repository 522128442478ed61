#pragma once

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/thread-mainloop.h>

// The volume of the sound server's default output (PulseAudio, or PipeWire's pulse server),
// set over one connection that libpulse serves on its own thread. Requests go out in the
// order they are made, so the last one asked for is the one that stays.
class PulseVolume
{
public:
    PulseVolume();
    ~PulseVolume();
    PulseVolume(const PulseVolume &) = delete;
    PulseVolume &operator=(const PulseVolume &) = delete;

    // Sets the default output to percent (0 to 100) of its normal volume. Returns at once;
    // without a sound server the request is dropped with a warning.
    void setPercent(unsigned percent);

private:
    void connectContext();
    void request(unsigned percent);
    static void onStateChanged(pa_context *context, void *self);
    static void onSinkInfo(pa_context *context, const pa_sink_info *info, int eol, void *percent);
    static void onVolumeSet(pa_context *context, int success, void *);

    pa_threaded_mainloop *mainloop;
    pa_context *context = nullptr;
    // The latest request made while the connection was still being set up.
    int pending = -1;
};
