#include "pipewireoutput.h"

#include "midiautoconnect.h"
#include "midihub.h"
#include "midinode.h"
#include "mixer.h"

#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <pthread.h>
#include <string>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace kevaro {

namespace {

constexpr int rate = PipeWireOutput::rate;
constexpr int channels = 2;
// A server that is starting answers within this; a press waits no longer than a second.
constexpr int64_t answerTimeoutNs = 1'000'000'000;

// Set once PipeWire played for this process: from then on it is the server to wait for.
std::atomic<bool> playedBefore{false};
// Names each output's graph group.
std::atomic<int> outputsOpened{0};

// What it means that PipeWire cannot be had now.
PipeWireOutput::Outcome unavailable()
{
    return playedBefore ? PipeWireOutput::Outcome::Awaited : PipeWireOutput::Outcome::NotHere;
}

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

bool socketExists()
{
    std::string remote = environment("PIPEWIRE_REMOTE");
    if (remote.empty())
        remote = "pipewire-0";
    if (remote.front() == '/')
        return std::filesystem::exists(remote);
    std::string dir = environment("PIPEWIRE_RUNTIME_DIR");
    if (dir.empty())
        dir = environment("XDG_RUNTIME_DIR");
    return !dir.empty() && std::filesystem::exists(dir + "/" + remote);
}

} // namespace

struct PipeWireOutput::Connection
{
    Mixer *mixer = nullptr;
    uint32_t cycleFrames = 0;
    pw_thread_loop *loop = nullptr;
    pw_context *context = nullptr;
    pw_core *core = nullptr;
    pw_registry *registry = nullptr;
    pw_stream *stream = nullptr;
    std::unique_ptr<MidiNode> midi;
    std::unique_ptr<MidiAutoconnect> autoconnect;
    spa_hook coreListener{};
    spa_hook registryListener{};
    spa_hook streamListener{};
    // Under the loop's lock:
    int syncSeq = -1;
    bool synced = false;
    bool audioSinkListed = false;
    pw_stream_state state = PW_STREAM_STATE_UNCONNECTED;
    // Read from any thread:
    std::atomic<bool> lost{false};
    std::atomic<pid_t> renderThread{0};

    ~Connection();
};

PipeWireOutput::Connection::~Connection()
{
    // The loop thread ends first; destroying the stream then waits only for the render
    // thread's current cycle, never for the server.
    if (loop)
        pw_thread_loop_stop(loop);
    autoconnect.reset();
    // The MIDI node first: its process triggers the stream's.
    midi.reset();
    if (stream)
        pw_stream_destroy(stream);
    if (registry)
        pw_proxy_destroy(reinterpret_cast<pw_proxy *>(registry));
    if (core)
        pw_core_disconnect(core);
    if (context)
        pw_context_destroy(context);
    if (loop)
        pw_thread_loop_destroy(loop);
}

namespace {

using Connection = PipeWireOutput::Connection;

void coreDone(void *data, uint32_t id, int seq)
{
    auto *connection = static_cast<Connection *>(data);
    if (id == PW_ID_CORE && seq == connection->syncSeq)
        connection->synced = true;
    pw_thread_loop_signal(connection->loop, false);
}

void coreError(void *data, uint32_t id, int, int, const char *)
{
    auto *connection = static_cast<Connection *>(data);
    // An error of the connection itself (the server went away); others concern one object.
    if (id == PW_ID_CORE)
        connection->lost = true;
    pw_thread_loop_signal(connection->loop, false);
}

const pw_core_events coreEvents = [] {
    pw_core_events events{};
    events.version = PW_VERSION_CORE_EVENTS;
    events.done = coreDone;
    events.error = coreError;
    return events;
}();

void globalAdded(void *data, uint32_t, uint32_t, const char *type, uint32_t, const spa_dict *props)
{
    auto *connection = static_cast<Connection *>(data);
    const char *mediaClass = props ? spa_dict_lookup(props, PW_KEY_MEDIA_CLASS) : nullptr;
    if (std::strcmp(type, PW_TYPE_INTERFACE_Node) == 0 && mediaClass &&
        std::strcmp(mediaClass, "Audio/Sink") == 0)
        connection->audioSinkListed = true;
}

const pw_registry_events registryEvents = [] {
    pw_registry_events events{};
    events.version = PW_VERSION_REGISTRY_EVENTS;
    events.global = globalAdded;
    return events;
}();

void streamStateChanged(void *data, pw_stream_state old, pw_stream_state state, const char *)
{
    auto *connection = static_cast<Connection *>(data);
    connection->state = state;
    if (state == PW_STREAM_STATE_ERROR ||
        (state == PW_STREAM_STATE_UNCONNECTED && old != PW_STREAM_STATE_UNCONNECTED))
        connection->lost = true;
    pw_thread_loop_signal(connection->loop, false);
}

// On PipeWire's real-time thread, once a cycle: mixes exactly what the graph plays next.
void renderCycle(void *data)
{
    auto *connection = static_cast<Connection *>(data);
    if (connection->renderThread.load(std::memory_order_relaxed) == 0) {
        // Named, so that whoever looks for the thread that mixes finds it.
        pthread_setname_np(pthread_self(), "kevaro-render");
        connection->renderThread = pid_t(syscall(SYS_gettid));
    }
    pw_buffer *buffer = pw_stream_dequeue_buffer(connection->stream);
    if (!buffer)
        return;
    spa_data &out = buffer->buffer->datas[0];
    constexpr uint32_t stride = sizeof(float) * channels;
    uint32_t frames = 0;
    if (out.data) {
        frames = out.maxsize / stride;
        const uint64_t wanted = buffer->requested ? buffer->requested : connection->cycleFrames;
        frames = uint32_t(std::min<uint64_t>(frames, wanted));
        connection->mixer->render(static_cast<float *>(out.data), frames);
    }
    out.chunk->offset = 0;
    out.chunk->stride = stride;
    out.chunk->size = frames * stride;
    pw_stream_queue_buffer(connection->stream, buffer);
}

const pw_stream_events streamEvents = [] {
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.state_changed = streamStateChanged;
    events.process = renderCycle;
    return events;
}();

// Waits on the loop (its lock held) until done() or the deadline; whether done() holds.
template <typename Done> bool waitUntil(Connection &connection, timespec &deadline, Done done)
{
    while (!done()) {
        if (pw_thread_loop_timed_wait_full(connection.loop, &deadline) != 0)
            return done();
    }
    return true;
}

// Connects and asks for the stream; under the loop's lock. Says why not in outcome.
bool connect(Connection &connection, PipeWireOutput::Outcome &outcome)
{
    using Outcome = PipeWireOutput::Outcome;
    // The configuration PipeWire's own players use: it makes the render thread real-time,
    // through RealtimeKit where the process may not do so itself.
    connection.context =
        pw_context_new(pw_thread_loop_get_loop(connection.loop),
                       pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", nullptr), 0);
    connection.core =
        connection.context ? pw_context_connect(connection.context, nullptr, 0) : nullptr;
    if (!connection.core) {
        outcome = unavailable();
        return false;
    }
    pw_core_add_listener(connection.core, &connection.coreListener, &coreEvents, &connection);
    connection.registry = pw_core_get_registry(connection.core, PW_VERSION_REGISTRY, 0);
    pw_registry_add_listener(connection.registry, &connection.registryListener, &registryEvents,
                             &connection);
    connection.syncSeq = pw_core_sync(connection.core, PW_ID_CORE, 0);
    timespec deadline{};
    pw_thread_loop_get_time(connection.loop, &deadline, answerTimeoutNs);
    if (!waitUntil(connection, deadline, [&] { return connection.synced || connection.lost; }) ||
        connection.lost) {
        outcome = Outcome::Awaited;
        return false;
    }
    spa_hook_remove(&connection.registryListener);
    pw_proxy_destroy(reinterpret_cast<pw_proxy *>(connection.registry));
    connection.registry = nullptr;
    // PipeWire without sound cards of its own serves video only.
    if (!connection.audioSinkListed) {
        outcome = unavailable();
        return false;
    }

    // The MIDI node and the stream form one group, run by one driver. The graph would run the
    // stream first in each cycle, before the MIDI node has the cycle's MIDI from the nodes
    // linked to it, and notes would wait a cycle; so the MIDI node triggers the stream instead.
    const std::string group =
        "kevaro-" + std::to_string(getpid()) + "-" + std::to_string(++outputsOpened);
    std::string whyNoMidi;
    connection.midi =
        MidiNode::create(connection.core, connection.loop, *connection.mixer, group, whyNoMidi);
    if (connection.midi) {
        pw_thread_loop_get_time(connection.loop, &deadline, answerTimeoutNs);
        waitUntil(connection, deadline, [&] {
            return connection.midi->state() != MidiNode::State::Connecting || connection.lost;
        });
        if (connection.midi->state() != MidiNode::State::Ready) {
            connection.midi.reset();
            whyNoMidi = "PipeWire did not take the MIDI node";
        }
    }
    static std::atomic<bool> saidNoMidi{false};
    if (!connection.midi && !saidNoMidi.exchange(true))
        std::fprintf(stderr, "kevaro: no MIDI: %s\n", whyNoMidi.c_str());

    const std::string latency = std::to_string(connection.cycleFrames) + "/" + std::to_string(rate);
    pw_properties *streamProps = pw_properties_new(
        PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Playback", PW_KEY_MEDIA_ROLE, "Music",
        PW_KEY_NODE_NAME, "kevaro", PW_KEY_NODE_LATENCY, latency.c_str(), nullptr);
    if (connection.midi)
        pw_properties_set(streamProps, PW_KEY_NODE_GROUP, group.c_str());
    connection.stream = pw_stream_new(connection.core, "Kevaro", streamProps);
    if (!connection.stream) {
        outcome = Outcome::NotHere;
        return false;
    }
    if (connection.midi)
        connection.midi->drive(connection.stream);
    pw_stream_add_listener(connection.stream, &connection.streamListener, &streamEvents,
                           &connection);
    uint8_t podSpace[512];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(podSpace, sizeof(podSpace));
    spa_audio_info_raw format{};
    format.format = SPA_AUDIO_FORMAT_F32;
    format.rate = rate;
    format.channels = channels;
    format.position[0] = SPA_AUDIO_CHANNEL_FL;
    format.position[1] = SPA_AUDIO_CHANNEL_FR;
    const spa_pod *params[] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &format)};
    const auto flags =
        pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS |
                        PW_STREAM_FLAG_RT_PROCESS | (connection.midi ? PW_STREAM_FLAG_TRIGGER : 0));
    if (pw_stream_connect(connection.stream, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 1) <
        0) {
        outcome = Outcome::NotHere;
        return false;
    }
    pw_thread_loop_get_time(connection.loop, &deadline, answerTimeoutNs);
    if (!waitUntil(
            connection, deadline,
            [&] { return connection.state == PW_STREAM_STATE_STREAMING || connection.lost; }) ||
        connection.lost) {
        outcome = Outcome::Awaited;
        return false;
    }
    if (connection.midi && MidiHub::instance().autoconnect())
        connection.autoconnect =
            std::make_unique<MidiAutoconnect>(connection.core, connection.midi->id());
    outcome = Outcome::Started;
    return true;
}

} // namespace

bool PipeWireOutput::worthTrying()
{
    return playedBefore || socketExists();
}

std::unique_ptr<PipeWireOutput> PipeWireOutput::start(Mixer &mixer, int cycleFrames,
                                                      Outcome &outcome)
{
    outcome = unavailable();
    static std::once_flag initialised;
    std::call_once(initialised, [] { pw_init(nullptr, nullptr); });

    auto connection = std::make_unique<Connection>();
    connection->mixer = &mixer;
    connection->cycleFrames = uint32_t(cycleFrames);
    connection->loop = pw_thread_loop_new("kevaro-pipewire", nullptr);
    if (!connection->loop)
        return nullptr;
    pw_thread_loop_lock(connection->loop);
    const bool started =
        pw_thread_loop_start(connection->loop) == 0 && connect(*connection, outcome);
    pw_thread_loop_unlock(connection->loop);
    if (!started)
        return nullptr;
    playedBefore = true;
    return std::unique_ptr<PipeWireOutput>(new PipeWireOutput(std::move(connection)));
}

PipeWireOutput::PipeWireOutput(std::unique_ptr<Connection> connection)
    : connection_(std::move(connection))
{
}

PipeWireOutput::~PipeWireOutput() = default;

bool PipeWireOutput::isDisconnected() const
{
    // Without its MIDI node the stream is never triggered.
    return connection_->lost ||
           (connection_->midi && connection_->midi->state() == MidiNode::State::Failed);
}

void PipeWireOutput::setMidiNoteHandler(std::function<void()> handler)
{
    pw_thread_loop_lock(connection_->loop);
    if (connection_->midi)
        connection_->midi->setNoteHandler(std::move(handler));
    pw_thread_loop_unlock(connection_->loop);
}

void PipeWireOutput::setActive(bool active)
{
    pw_thread_loop_lock(connection_->loop);
    pw_stream_set_active(connection_->stream, active);
    pw_thread_loop_unlock(connection_->loop);
}

bool PipeWireOutput::isActive() const
{
    pw_thread_loop_lock(connection_->loop);
    const bool streaming = connection_->state == PW_STREAM_STATE_STREAMING;
    pw_thread_loop_unlock(connection_->loop);
    return streaming;
}

std::string PipeWireOutput::describe() const
{
    return std::to_string(connection_->cycleFrames) + " frames a cycle at " + std::to_string(rate) +
           " Hz through PipeWire";
}

double PipeWireOutput::latencyMs() const
{
    return 1000.0 * connection_->cycleFrames / rate;
}

pid_t PipeWireOutput::renderThread() const
{
    for (int tries = 0; tries < 40 && connection_->renderThread == 0; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return connection_->renderThread;
}

} // namespace kevaro
