#include "pulseoutput.h"

#include "mixer.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

namespace kevaro {

namespace {

constexpr std::size_t frameBytes = sizeof(float) * Mixer::channels;
// How far ahead of the server's play position a late note starts: the server's own rewind
// safety and the way to it. Frames written closer would be played before they arrive.
constexpr std::uint64_t marginFrames = 96;
// How long new notes wait for the play position before they are mixed behind the queue.
constexpr std::chrono::milliseconds maxPositionWait{50};
// Comfortably more than the server keeps queued, so the frames it may rewind are all here.
constexpr std::uint64_t historyFrames = 1 << 16;

void signalLoop(pa_threaded_mainloop *loop)
{
    pa_threaded_mainloop_signal(loop, 0);
}

} // namespace

PulseOutput::PulseOutput(Mixer &mixer, int periodFrames)
    : mixer_(mixer), periodFrames_(periodFrames)
{
    // Everything the mainloop thread touches, allocated before it runs.
    history_.assign(historyFrames * Mixer::channels, 0.0f);
    historyMask_ = historyFrames - 1;
    late_.assign(historyFrames * Mixer::channels, 0.0f);
}

std::unique_ptr<PulseOutput> PulseOutput::open(Mixer &mixer, int periodFrames, std::string &whyNot)
{
    std::unique_ptr<PulseOutput> output(new PulseOutput(mixer, periodFrames));
    if (!output->connect(whyNot))
        return nullptr;
    return output;
}

template <typename Done> bool PulseOutput::waitFor(Done done, int milliseconds)
{
    // The loop has no timed wait: a timer of its own wakes this wait at the deadline.
    struct Timer
    {
        pa_threaded_mainloop *loop;
        bool expired = false;
    } timer{loop_};
    pa_mainloop_api *api = pa_threaded_mainloop_get_api(loop_);
    timeval at;
    pa_timeval_add(pa_gettimeofday(&at), pa_usec_t(milliseconds) * PA_USEC_PER_MSEC);
    pa_time_event *event = api->time_new(
        api, &at,
        [](pa_mainloop_api *, pa_time_event *, const timeval *, void *data) {
            auto *timer = static_cast<Timer *>(data);
            timer->expired = true;
            signalLoop(timer->loop);
        },
        &timer);
    bool ok;
    while (!(ok = done()) && !timer.expired)
        pa_threaded_mainloop_wait(loop_);
    api->time_free(event);
    return ok;
}

bool PulseOutput::connect(std::string &whyNot)
{
    loop_ = pa_threaded_mainloop_new();
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (!loop_ || wakeFd_ < 0) {
        whyNot = "no PulseAudio main loop";
        return false;
    }
    pa_mainloop_api *api = pa_threaded_mainloop_get_api(loop_);
    pa_proplist *properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Kevaro");
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "music");
    context_ = pa_context_new_with_proplist(api, "Kevaro", properties);
    if (!context_) {
        pa_proplist_free(properties);
        whyNot = "no PulseAudio context";
        return false;
    }
    pa_context_set_state_callback(context_, onContextState, this);

    pa_threaded_mainloop_lock(loop_);
    const auto unlockWith = [&](std::string reason) {
        pa_threaded_mainloop_unlock(loop_);
        pa_proplist_free(properties);
        whyNot = std::move(reason);
        return false;
    };
    if (pa_threaded_mainloop_start(loop_) < 0)
        return unlockWith("the PulseAudio main loop did not start");
    wake_ = api->io_new(
        api, wakeFd_, PA_IO_EVENT_INPUT,
        [](pa_mainloop_api *, pa_io_event *, int fd, pa_io_event_flags_t, void *self) {
            std::uint64_t count;
            while (read(fd, &count, sizeof count) > 0) {
            }
            static_cast<PulseOutput *>(self)->notesWoke();
        },
        this);
    // No autospawn: a server that is not running already would not be ready within the wait.
    // libpulse picks the server (PULSE_SERVER, the session's, the user's socket).
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return unlockWith(std::string("no sound server: ") +
                          pa_strerror(pa_context_errno(context_)));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    const auto leftMs = [&] {
        return int(std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                              deadline - std::chrono::steady_clock::now())
                                              .count()));
    };
    const bool contextSettled = waitFor(
        [this] {
            return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)) ||
                   pa_context_get_state(context_) == PA_CONTEXT_READY;
        },
        leftMs());
    if (!contextSettled)
        return unlockWith("the sound server did not answer within a second");
    if (pa_context_get_state(context_) != PA_CONTEXT_READY)
        return unlockWith(std::string("no sound server: ") +
                          pa_strerror(pa_context_errno(context_)));

    const pa_sample_spec format{PA_SAMPLE_FLOAT32LE, rate, Mixer::channels};
    stream_ = pa_stream_new_with_proplist(context_, "Kevaro", &format, nullptr, properties);
    if (!stream_)
        return unlockWith(std::string("the sound server refused the stream: ") +
                          pa_strerror(pa_context_errno(context_)));
    pa_stream_set_state_callback(stream_, onStreamState, this);
    pa_stream_set_write_callback(stream_, onWrite, this);
    pa_stream_set_underflow_callback(stream_, onUnderflow, this);
    pa_buffer_attr attr;
    attr.maxlength = std::uint32_t(-1);
    attr.minreq = std::uint32_t(periodFrames_ * frameBytes);
    attr.tlength = 3 * attr.minreq;
    // Playing starts with the first frames, and an underflow plays silence in place of the
    // missing frames rather than stopping: the stream's frames stay where the clock puts them.
    attr.prebuf = 0;
    attr.fragsize = std::uint32_t(-1);
    const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                         PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0)
        return unlockWith(std::string("the sound server refused the stream: ") +
                          pa_strerror(pa_context_errno(context_)));
    const bool streamSettled = waitFor(
        [this] {
            return !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)) ||
                   pa_stream_get_state(stream_) == PA_STREAM_READY;
        },
        leftMs());
    if (!streamSettled)
        return unlockWith("the sound server did not start the stream within a second");
    if (pa_stream_get_state(stream_) != PA_STREAM_READY)
        return unlockWith(std::string("the sound server dropped the stream: ") +
                          pa_strerror(pa_context_errno(context_)));
    if (const pa_buffer_attr *granted = pa_stream_get_buffer_attr(stream_))
        tlengthBytes_ = granted->tlength;
    pa_threaded_mainloop_unlock(loop_);
    pa_proplist_free(properties);
    return true;
}

PulseOutput::~PulseOutput()
{
    // Nothing here waits for the server: it may be stopped or gone.
    if (loop_)
        pa_threaded_mainloop_stop(loop_);
    if (wake_)
        pa_threaded_mainloop_get_api(loop_)->io_free(wake_);
    if (stream_) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
    }
    if (context_) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    if (loop_)
        pa_threaded_mainloop_free(loop_);
    if (wakeFd_ >= 0)
        close(wakeFd_);
}

void PulseOutput::setActive(bool active)
{
    if (disconnected_ || corked_ == !active)
        return;
    pa_threaded_mainloop_lock(loop_);
    pa_operation *operation = pa_stream_cork(
        stream_, active ? 0 : 1,
        [](pa_stream *, int, void *loop) { signalLoop(static_cast<pa_threaded_mainloop *>(loop)); },
        loop_);
    if (operation) {
        // A server that does not answer in a second is as good as gone; the flag says so.
        waitFor([operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; },
                1000);
        pa_operation_unref(operation);
        corked_ = !active;
    }
    pa_threaded_mainloop_unlock(loop_);
}

void PulseOutput::notesQueued()
{
    // The mainloop wakes and mixes the notes into what is queued; an eventfd write never blocks.
    const std::uint64_t one = 1;
    if (write(wakeFd_, &one, sizeof one) < 0) {
        // The counter is full: the mainloop is already woken.
    }
}

std::string PulseOutput::describe() const
{
    char line[128];
    std::snprintf(line, sizeof line,
                  "%d frames a period at %d Hz through PulseAudio, up to %.1f ms queued",
                  periodFrames_, rate, 1000.0 * tlengthBytes_ / frameBytes / rate);
    return line;
}

double PulseOutput::latencyMs() const
{
    // A note mixed late starts the margin ahead of the play position; else it waits behind
    // what is queued.
    if (mixLate_)
        return 1000.0 * marginFrames / rate;
    return 1000.0 * tlengthBytes_ / frameBytes / rate;
}

void PulseOutput::remember(const float *stereo, std::uint64_t at, std::uint32_t frames)
{
    for (std::uint32_t i = 0; i < frames; ++i) {
        float *to = &history_[Mixer::channels * ((at + i) & historyMask_)];
        to[0] = stereo[2 * i];
        to[1] = stereo[2 * i + 1];
    }
}

void PulseOutput::fill(std::size_t bytes)
{
    if (renderThread_ == 0) {
        pthread_setname_np(pthread_self(), "kevaro-render");
        renderThread_ = pid_t(syscall(SYS_gettid));
    }
    while (bytes >= frameBytes) {
        void *data = nullptr;
        std::size_t size = bytes;
        if (pa_stream_begin_write(stream_, &data, &size) < 0 || !data)
            return;
        size = std::min(size, bytes) / frameBytes * frameBytes;
        if (size == 0) {
            pa_stream_cancel_write(stream_);
            return;
        }
        const auto frames = std::uint32_t(size / frameBytes);
        auto *stereo = static_cast<float *>(data);
        // While the play position is asked for, new notes wait for it: mixed in here, they
        // would sound only behind everything queued before. Not for ever, should no answer come.
        const bool positionComing =
            timingAsked_ && std::chrono::steady_clock::now() - timingAskedAt_ < maxPositionWait;
        mixer_.render(stereo, frames, !positionComing);
        remember(stereo, written_, frames);
        if (pa_stream_write(stream_, data, size, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return;
        written_ += frames;
        bytes -= size;
    }
}

void PulseOutput::notesWoke()
{
    // Without waiting commands the last render took the notes already.
    if (!mixLate_ || corked_ || disconnected_ || timingAsked_ || !mixer_.commandsWaiting())
        return;
    // The automatic timing updates come up to 1.5 s apart, and the play position interpolated
    // from one that old is some milliseconds off: a fresh one costs a round trip.
    pa_operation *operation = pa_stream_update_timing_info(
        stream_,
        [](pa_stream *, int success, void *self) {
            auto *output = static_cast<PulseOutput *>(self);
            output->timingAsked_ = false;
            if (success)
                output->mixLate();
        },
        this);
    if (operation) {
        timingAsked_ = true;
        timingAskedAt_ = std::chrono::steady_clock::now();
        pa_operation_unref(operation);
    }
}

void PulseOutput::mixLate()
{
    // A render meanwhile took the notes.
    if (corked_ || disconnected_ || !mixer_.commandsWaiting())
        return;
    const pa_timing_info *timing = pa_stream_get_timing_info(stream_);
    if (!timing || timing->read_index < 0)
        return;
    // The server read up to read_index, the sink holds sink_usec of it not yet played, and
    // it played on since the update.
    timeval now;
    const pa_usec_t since = pa_timeval_diff(pa_gettimeofday(&now), &timing->timestamp);
    const std::int64_t playing = timing->read_index / std::int64_t(frameBytes) -
                                 std::int64_t(timing->sink_usec * rate / PA_USEC_PER_SEC) +
                                 std::int64_t(since * rate / PA_USEC_PER_SEC);
    const std::uint64_t from = std::uint64_t(std::max<std::int64_t>(playing, 0)) + marginFrames;
    if (from >= written_ || written_ - from > historyFrames)
        return;
    const auto frames = std::uint32_t(written_ - from);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const float *at = &history_[Mixer::channels * ((from + i) & historyMask_)];
        late_[2 * i] = at[0];
        late_[2 * i + 1] = at[1];
    }
    if (!mixer_.renderLate(late_.data(), frames))
        return;
    remember(late_.data(), from, frames);
    // Written below the server's read index, this makes it rewind and play the new frames.
    if (pa_stream_write(stream_, late_.data(), frames * frameBytes, nullptr,
                        std::int64_t(from * frameBytes), PA_SEEK_ABSOLUTE) == 0)
        ++notesMixedLate_;
}

void PulseOutput::onContextState(pa_context *context, void *self)
{
    auto *output = static_cast<PulseOutput *>(self);
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
        output->disconnected_ = true;
    signalLoop(output->loop_);
}

void PulseOutput::onStreamState(pa_stream *stream, void *self)
{
    auto *output = static_cast<PulseOutput *>(self);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        output->disconnected_ = true;
    signalLoop(output->loop_);
}

void PulseOutput::onWrite(pa_stream *, std::size_t bytes, void *self)
{
    static_cast<PulseOutput *>(self)->fill(bytes);
}

void PulseOutput::onUnderflow(pa_stream *, void *self)
{
    ++static_cast<PulseOutput *>(self)->underflows_;
}

} // namespace kevaro
