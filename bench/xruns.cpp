// The sound server's own count of a PipeWire node's dropouts: listens to PipeWire's profiler,
// which reports every graph cycle, and counts the cycles the node had not finished its part in
// when the cycle ended (what pw-top shows as ERR, which Debian 12's pw-top cannot print to a
// file).
//   bench_xruns NODE_NAME     until SIGINT/SIGTERM; "listening" once the profiler is bound;
//                             at the end: "LATE_CYCLES CYCLES"
#include <pipewire/extensions/profiler.h>
#include <pipewire/impl.h>
#include <pipewire/pipewire.h>
#include <spa/param/profiler.h>
#include <spa/pod/iter.h>
#include <spa/pod/parser.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A follower's state when its cycle is reported; anything else means it was late.
constexpr int finished = 3;

struct Counts
{
    std::string node;
    long long cycles = 0;
    long long late = 0;
};

struct Listener
{
    pw_main_loop *loop = nullptr;
    pw_registry *registry = nullptr;
    spa_hook registryListener{};
    pw_proxy *profiler = nullptr;
    spa_hook profilerListener{};
    spa_hook coreListener{};
    int syncSeq = -1;
    Counts counts;
};

void onCycles(void *data, const spa_pod *pod)
{
    Counts &counts = static_cast<Listener *>(data)->counts;
    // SPA_POD_STRUCT_FOREACH, spelled out: C++ does not convert its void pointers.
    for (auto *object = static_cast<spa_pod *>(SPA_POD_BODY(pod));
         spa_pod_is_inside(SPA_POD_BODY(pod), SPA_POD_BODY_SIZE(pod), object);
         object = static_cast<spa_pod *>(spa_pod_next(object))) {
        if (!spa_pod_is_object_type(object, SPA_TYPE_OBJECT_Profiler))
            continue;
        spa_pod_prop *prop;
        SPA_POD_OBJECT_FOREACH(reinterpret_cast<spa_pod_object *>(object), prop)
        {
            if (prop->key == SPA_PROFILER_followerBlock) {
                int32_t id = 0, status = 0;
                const char *name = nullptr;
                int64_t prevSignal, signal, awake, finish;
                if (spa_pod_parse_struct(&prop->value, SPA_POD_Int(&id), SPA_POD_String(&name),
                                         SPA_POD_Long(&prevSignal), SPA_POD_Long(&signal),
                                         SPA_POD_Long(&awake), SPA_POD_Long(&finish),
                                         SPA_POD_Int(&status)) < 0 ||
                    !name || counts.node != name)
                    continue;
                ++counts.cycles;
                if (status != finished)
                    ++counts.late;
            }
        }
    }
}

const pw_profiler_events profilerEvents = {PW_VERSION_PROFILER_EVENTS, onCycles};

void onGlobal(void *data, uint32_t id, uint32_t, const char *type, uint32_t, const spa_dict *)
{
    auto *listener = static_cast<Listener *>(data);
    if (std::strcmp(type, PW_TYPE_INTERFACE_Profiler) != 0 || listener->profiler)
        return;
    listener->profiler = static_cast<pw_proxy *>(
        pw_registry_bind(listener->registry, id, type, PW_VERSION_PROFILER, 0));
    if (listener->profiler)
        pw_proxy_add_object_listener(listener->profiler, &listener->profilerListener,
                                     &profilerEvents, listener);
}

const pw_registry_events registryEvents = {PW_VERSION_REGISTRY_EVENTS, onGlobal, nullptr};

void onDone(void *data, uint32_t id, int seq)
{
    auto *listener = static_cast<Listener *>(data);
    if (id != PW_ID_CORE || seq != listener->syncSeq)
        return;
    if (!listener->profiler) {
        std::fprintf(stderr, "bench_xruns: the server has no profiler\n");
        pw_main_loop_quit(listener->loop);
        return;
    }
    std::printf("listening\n");
    std::fflush(stdout);
}

void onError(void *data, uint32_t id, int, int res, const char *message)
{
    std::fprintf(stderr, "bench_xruns: %s (%d)\n", message, res);
    if (id == PW_ID_CORE)
        pw_main_loop_quit(static_cast<Listener *>(data)->loop);
}

pw_core_events coreEvents()
{
    pw_core_events events{};
    events.version = PW_VERSION_CORE_EVENTS;
    events.done = onDone;
    events.error = onError;
    return events;
}

void quit(void *data, int)
{
    pw_main_loop_quit(static_cast<Listener *>(data)->loop);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_xruns NODE_NAME\n");
        return 2;
    }
    pw_init(&argc, &argv);
    Listener listener;
    listener.counts.node = argv[1];
    listener.loop = pw_main_loop_new(nullptr);
    pw_loop *loop = pw_main_loop_get_loop(listener.loop);
    pw_loop_add_signal(loop, SIGINT, quit, &listener);
    pw_loop_add_signal(loop, SIGTERM, quit, &listener);
    pw_context *context = pw_context_new(loop, nullptr, 0);
    // The client side of the profiler's protocol.
    pw_context_load_module(context, PW_EXTENSION_MODULE_PROFILER, nullptr, nullptr);
    pw_core *core = pw_context_connect(context, nullptr, 0);
    if (!core) {
        std::fprintf(stderr, "bench_xruns: no PipeWire\n");
        return 1;
    }
    static const pw_core_events events = coreEvents();
    pw_core_add_listener(core, &listener.coreListener, &events, &listener);
    listener.registry = pw_core_get_registry(core, PW_VERSION_REGISTRY, 0);
    pw_registry_add_listener(listener.registry, &listener.registryListener, &registryEvents,
                             &listener);
    listener.syncSeq = pw_core_sync(core, PW_ID_CORE, 0);
    pw_main_loop_run(listener.loop);

    const Counts &counts = listener.counts;
    std::printf("%lld %lld\n", counts.late, counts.cycles);
    if (listener.profiler)
        pw_proxy_destroy(listener.profiler);
    pw_proxy_destroy(reinterpret_cast<pw_proxy *>(listener.registry));
    pw_core_disconnect(core);
    pw_context_destroy(context);
    pw_main_loop_destroy(listener.loop);
    pw_deinit();
    return listener.profiler ? 0 : 1;
}
