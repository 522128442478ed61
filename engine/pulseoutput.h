#pragma once

#include "audiooutput.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct pa_context;
struct pa_io_event;
struct pa_stream;
struct pa_threaded_mainloop;

namespace kevaro {

class Mixer;

// Plays the mixer through a PulseAudio (or pulse-protocol) playback stream. The stream keeps a
// few periods queued against dropouts; a note started meanwhile need not wait behind them: it
// is mixed into the frames already queued, from just ahead of where the server plays, and
// written over them, so that the server rewinds and plays it almost at once, as it does for a
// new stream's first samples.
class PulseOutput : public AudioOutput
{
public:
    static constexpr int rate = 48000;

    // Connects to the server libpulse chooses and starts the stream, asking for periods of
    // periodFrames. Waits for the server a second at most, so only on the engine's worker;
    // nullptr and whyNot in words when the server is not there or refuses the stream.
    static std::unique_ptr<PulseOutput> open(Mixer &mixer, int periodFrames, std::string &whyNot);

    ~PulseOutput() override;
    PulseOutput(const PulseOutput &) = delete;
    PulseOutput &operator=(const PulseOutput &) = delete;

    bool isDisconnected() const override { return disconnected_; }
    void setActive(bool active) override;
    bool isActive() const override { return !corked_ && !disconnected_; }
    pid_t renderThread() const override { return renderThread_; }
    void notesQueued() override;
    std::string describe() const override;
    double latencyMs() const override;

    // How often the server ran out of our frames.
    std::uint64_t underflows() const { return underflows_; }
    // How many times new notes were mixed into frames already queued.
    std::uint64_t notesMixedLate() const { return notesMixedLate_; }
    // Whether new notes are mixed into the queued frames (the default) or wait behind them;
    // the latter for comparison.
    void setMixLate(bool on) { mixLate_ = on; }

private:
    PulseOutput(Mixer &mixer, int periodFrames);
    bool connect(std::string &whyNot);
    // Waits on the loop (locked) until done() or the deadline; whether done() came true.
    template <typename Done> bool waitFor(Done done, int milliseconds);

    void fill(std::size_t bytes);
    // Woken by notesQueued: asks the server where it plays, then mixes the notes in.
    void notesWoke();
    void mixLate();
    void remember(const float *stereo, std::uint64_t at, std::uint32_t frames);

    static void onContextState(pa_context *context, void *self);
    static void onStreamState(pa_stream *stream, void *self);
    static void onWrite(pa_stream *stream, std::size_t bytes, void *self);
    static void onUnderflow(pa_stream *stream, void *self);

    Mixer &mixer_;
    const int periodFrames_;
    pa_threaded_mainloop *loop_ = nullptr;
    pa_context *context_ = nullptr;
    pa_stream *stream_ = nullptr;
    pa_io_event *wake_ = nullptr;
    int wakeFd_ = -1;
    std::uint32_t tlengthBytes_ = 0;

    // Mainloop thread only, once running. Everything written, by absolute stream frame, for
    // as far back as the server may still rewind.
    std::vector<float> history_;
    std::uint64_t historyMask_ = 0;
    std::vector<float> late_;
    // Frames written since the stream started: the stream's write index.
    std::uint64_t written_ = 0;
    // A timing update is on its way for waiting notes, asked at that time.
    bool timingAsked_ = false;
    std::chrono::steady_clock::time_point timingAskedAt_;

    std::atomic<pid_t> renderThread_{0};
    std::atomic<bool> disconnected_{false};
    std::atomic<bool> corked_{false};
    std::atomic<bool> mixLate_{true};
    std::atomic<std::uint64_t> underflows_{0};
    std::atomic<std::uint64_t> notesMixedLate_{0};
};

} // namespace kevaro
