#include "pulsevolume.h"

#include <QtGlobal>

#include <pulse/error.h>
#include <pulse/operation.h>
#include <pulse/volume.h>

#include <cstdint>

PulseVolume::PulseVolume() : mainloop(pa_threaded_mainloop_new())
{
    connectContext();
    pa_threaded_mainloop_start(mainloop);
}

PulseVolume::~PulseVolume()
{
    pa_threaded_mainloop_lock(mainloop);
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_threaded_mainloop_unlock(mainloop);
    pa_threaded_mainloop_stop(mainloop);
    pa_threaded_mainloop_free(mainloop);
}

void PulseVolume::setPercent(unsigned percent)
{
    pa_threaded_mainloop_lock(mainloop);
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        request(percent);
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        // The sound server went away or was not there yet: try afresh.
        pa_context_disconnect(context);
        pa_context_unref(context);
        connectContext();
        pending = int(percent);
        break;
    default:
        pending = int(percent);
        break;
    }
    pa_threaded_mainloop_unlock(mainloop);
}

void PulseVolume::connectContext()
{
    context = pa_context_new(pa_threaded_mainloop_get_api(mainloop), "Kevaro system volume");
    pa_context_set_state_callback(context, onStateChanged, this);
    // No autospawn: a volume service has no business starting a sound server.
    pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
}

// The channel count of the default output is asked for first, so that every channel is
// set and the balance stays level.
void PulseVolume::request(unsigned percent)
{
    pa_operation_unref(pa_context_get_sink_info_by_name(
        context, "@DEFAULT_SINK@", onSinkInfo, reinterpret_cast<void *>(std::uintptr_t(percent))));
}

void PulseVolume::onStateChanged(pa_context *context, void *self)
{
    auto *volume = static_cast<PulseVolume *>(self);
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        if (volume->pending >= 0)
            volume->request(unsigned(volume->pending));
        volume->pending = -1;
        break;
    case PA_CONTEXT_FAILED:
        qWarning("kevaro-systeminfo: no sound server: %s", pa_strerror(pa_context_errno(context)));
        volume->pending = -1;
        break;
    default:
        break;
    }
}

void PulseVolume::onSinkInfo(pa_context *context, const pa_sink_info *info, int eol, void *percent)
{
    if (eol < 0) {
        qWarning("kevaro-systeminfo: no default output: %s",
                 pa_strerror(pa_context_errno(context)));
        return;
    }
    if (eol > 0 || !info)
        return;
    const auto scaled =
        (std::uint64_t(PA_VOLUME_NORM) * reinterpret_cast<std::uintptr_t>(percent) + 50) / 100;
    pa_cvolume volume;
    pa_cvolume_set(&volume, info->volume.channels, pa_volume_t(scaled));
    pa_operation_unref(
        pa_context_set_sink_volume_by_index(context, info->index, &volume, onVolumeSet, nullptr));
}

void PulseVolume::onVolumeSet(pa_context *context, int success, void *)
{
    if (!success)
        qWarning("kevaro-systeminfo: volume not set: %s", pa_strerror(pa_context_errno(context)));
}
