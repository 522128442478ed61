#include "soundserver.h"

#include <pulse/pulseaudio.h>

namespace kevaro {

namespace {

struct Asking
{
    SoundServer::Answer answer;
    bool done = false;
};

} // namespace

SoundServer::Answer SoundServer::ask()
{
    Asking asking;
    pa_mainloop *loop = pa_mainloop_new();
    if (!loop)
        return asking.answer;
    pa_mainloop_api *api = pa_mainloop_get_api(loop);
    pa_context *context = pa_context_new(api, "Kevaro");
    if (!context) {
        pa_mainloop_free(loop);
        return asking.answer;
    }
    pa_context_set_state_callback(
        context,
        [](pa_context *context, void *data) {
            auto *asking = static_cast<Asking *>(data);
            const pa_context_state_t state = pa_context_get_state(context);
            if (!PA_CONTEXT_IS_GOOD(state)) {
                asking->done = true;
            } else if (state == PA_CONTEXT_READY) {
                pa_operation *operation = pa_context_get_server_info(
                    context,
                    [](pa_context *, const pa_server_info *info, void *data) {
                        auto *asking = static_cast<Asking *>(data);
                        asking->done = true;
                        if (!info)
                            return;
                        asking->answer.answers = true;
                        asking->answer.name = info->server_name ? info->server_name : "";
                        asking->answer.isPipeWire =
                            asking->answer.name.find("PipeWire") != std::string::npos;
                    },
                    data);
                if (operation)
                    pa_operation_unref(operation);
                else
                    asking->done = true;
            }
        },
        &asking);
    bool expired = false;
    timeval at;
    pa_timeval_add(pa_gettimeofday(&at), PA_USEC_PER_SEC);
    pa_time_event *deadline = api->time_new(
        api, &at,
        [](pa_mainloop_api *, pa_time_event *, const timeval *, void *expired) {
            *static_cast<bool *>(expired) = true;
        },
        &expired);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        while (!asking.done && !expired && pa_mainloop_iterate(loop, 1, nullptr) >= 0) {
        }
    }
    api->time_free(deadline);
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_mainloop_free(loop);
    return asking.answer;
}

} // namespace kevaro
