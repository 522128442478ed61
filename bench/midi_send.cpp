// MIDI notes into the PipeWire graph as a keyboard sends them, for bench/sessions.sh: a node
// "bench-midi" with one MIDI output port "out" (the caller links it) sends COUNT notes of KEY,
// EVERY ms apart, each let go 300 ms later, and prints for each the CLOCK_MONOTONIC time (ns)
// it was due: when its key was struck. A note goes out in the first graph cycle after it is
// due, at the cycle's start, as PipeWire's MIDI bridge passes on a keyboard's.
// With CHORD, the notes are KEY and the CHORD-1 keys above it at once, held by the sustain
// pedal for EVERY ms: a polyphony test.
//   bench_midi_send COUNT EVERY KEY [CHORD]    "ready" once its port is there, "playing" once
//   linked (a second before the first note), "done" after the last note; the times when it is
//   stopped (SIGINT, SIGTERM), so that the graph's change at its end is not counted with the notes
#include <pipewire/filter.h>
#include <pipewire/pipewire.h>
#include <spa/control/control.h>
#include <spa/pod/builder.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

std::int64_t nowNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct Sender
{
    pw_main_loop *loop = nullptr;
    pw_filter *filter = nullptr;
    void *port = nullptr;
    int count = 0, key = 0, chord = 1;
    std::int64_t every = 0;
    // Filled on the real-time thread, printed at the end.
    std::vector<std::int64_t> due;
    std::int64_t first = 0, nextOn = 0, nextOff = 0;
    int sent = 0;
    bool held = false;
    // Told to the main loop's thread.
    std::atomic<bool> playing{false}, done{false};
    bool saidPlaying = false, saidDone = false;
};

void write(spa_pod_builder &builder, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    const std::uint8_t bytes[3] = {status, data1, data2};
    spa_pod_builder_control(&builder, 0, SPA_CONTROL_Midi);
    spa_pod_builder_bytes(&builder, bytes, 3);
}

void process(void *data, spa_io_position *)
{
    auto *sender = static_cast<Sender *>(data);
    pw_buffer *buffer = pw_filter_dequeue_buffer(sender->port);
    if (!buffer)
        return;
    spa_data &out = buffer->buffer->datas[0];
    spa_pod_builder builder;
    spa_pod_builder_init(&builder, out.data, out.maxsize);
    spa_pod_frame frame;
    spa_pod_builder_push_sequence(&builder, &frame, 0);
    const std::int64_t now = nowNs();
    // The first cycle after the link: start a second later, on a time of our own.
    if (!sender->first) {
        sender->first = sender->nextOn = now + 1000000000;
        sender->playing = true;
    }
    const std::int64_t hold = sender->chord > 1 ? sender->every - 100000000 : 300000000;
    if (sender->held && now >= sender->nextOff) {
        if (sender->chord > 1)
            write(builder, 0xb0, 64, 0);
        for (int k = 0; k < sender->chord; ++k)
            write(builder, 0x80, std::uint8_t(sender->key + k), 0);
        sender->held = false;
        sender->done = sender->sent == sender->count;
    }
    if (!sender->held && sender->sent < sender->count && now >= sender->nextOn) {
        if (sender->chord > 1)
            write(builder, 0xb0, 64, 127);
        for (int k = 0; k < sender->chord; ++k)
            write(builder, 0x90, std::uint8_t(sender->key + k), 127);
        sender->due.push_back(sender->nextOn);
        sender->nextOff = sender->nextOn + hold;
        sender->nextOn += sender->every;
        sender->held = true;
        ++sender->sent;
    }
    spa_pod_builder_pop(&builder, &frame);
    out.chunk->offset = 0;
    out.chunk->size = builder.state.offset;
    out.chunk->stride = 1;
    pw_filter_queue_buffer(sender->port, buffer);
}

void stateChanged(void *data, pw_filter_state, pw_filter_state state, const char *)
{
    if (state == PW_FILTER_STATE_PAUSED || state == PW_FILTER_STATE_STREAMING) {
        std::printf("ready\n");
        std::fflush(stdout);
    }
    (void)data;
}

void check(void *data, std::uint64_t)
{
    auto *sender = static_cast<Sender *>(data);
    if (sender->playing && !sender->saidPlaying) {
        std::printf("playing\n");
        sender->saidPlaying = true;
    }
    if (sender->done && !sender->saidDone) {
        std::printf("done\n");
        sender->saidDone = true;
    }
    std::fflush(stdout);
}

void quit(void *data, int)
{
    pw_main_loop_quit(static_cast<Sender *>(data)->loop);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_midi_send COUNT EVERY_MS KEY [CHORD]\n");
        return 2;
    }
    pw_init(&argc, &argv);
    Sender sender;
    sender.count = std::atoi(argv[1]);
    sender.every = std::atoll(argv[2]) * 1000000;
    sender.key = std::atoi(argv[3]);
    sender.chord = argc > 4 ? std::atoi(argv[4]) : 1;
    sender.due.reserve(std::size_t(sender.count));
    sender.loop = pw_main_loop_new(nullptr);
    pw_loop *loop = pw_main_loop_get_loop(sender.loop);
    pw_loop_add_signal(loop, SIGINT, quit, &sender);
    pw_loop_add_signal(loop, SIGTERM, quit, &sender);
    timespec tick{0, 100000000};
    pw_loop_update_timer(loop, pw_loop_add_timer(loop, check, &sender), &tick, &tick, false);
    pw_filter_events events{};
    events.version = PW_VERSION_FILTER_EVENTS;
    events.process = process;
    events.state_changed = stateChanged;
    // Real-time, as PipeWire's MIDI bridge runs in the server: a sender late for its cycle
    // would hold up the piano's, which comes after it.
    pw_context *context =
        pw_context_new(loop, pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", nullptr), 0);
    pw_core *core = context ? pw_context_connect(context, nullptr, 0) : nullptr;
    if (!core) {
        std::fprintf(stderr, "bench_midi_send: no PipeWire\n");
        return 1;
    }
    sender.filter =
        pw_filter_new(core, "bench-midi",
                      pw_properties_new(PW_KEY_NODE_NAME, "bench-midi", PW_KEY_MEDIA_TYPE, "Midi",
                                        PW_KEY_MEDIA_CATEGORY, "Playback", PW_KEY_MEDIA_ROLE, "DSP",
                                        PW_KEY_NODE_AUTOCONNECT, "false", nullptr));
    spa_hook listener{};
    pw_filter_add_listener(sender.filter, &listener, &events, &sender);
    sender.port = pw_filter_add_port(
        sender.filter, PW_DIRECTION_OUTPUT, PW_FILTER_PORT_FLAG_MAP_BUFFERS, 0,
        pw_properties_new(PW_KEY_FORMAT_DSP, "8 bit raw midi", PW_KEY_PORT_NAME, "out", nullptr),
        nullptr, 0);
    if (!sender.port ||
        pw_filter_connect(sender.filter, PW_FILTER_FLAG_RT_PROCESS, nullptr, 0) < 0) {
        std::fprintf(stderr, "bench_midi_send: no PipeWire\n");
        return 1;
    }
    pw_main_loop_run(sender.loop);
    pw_filter_destroy(sender.filter);
    pw_core_disconnect(core);
    pw_context_destroy(context);
    for (std::int64_t due : sender.due)
        std::printf("%lld\n", (long long)due);
    return sender.done ? 0 : 1;
}
