#include "midiautoconnect.h"

#include <pipewire/pipewire.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace kevaro {

namespace {

const char *lookup(const spa_dict *props, const char *key)
{
    return props ? spa_dict_lookup(props, key) : nullptr;
}

bool is(const char *value, const char *wanted)
{
    return value && std::strcmp(value, wanted) == 0;
}

std::uint32_t number(const char *value)
{
    return value ? std::uint32_t(std::strtoul(value, nullptr, 10)) : 0;
}

} // namespace

struct MidiAutoconnectCallbacks
{
    static void global(void *data, std::uint32_t id, std::uint32_t, const char *type, std::uint32_t,
                       const spa_dict *props)
    {
        static_cast<MidiAutoconnect *>(data)->added(id, type, props);
    }
    static void globalRemove(void *data, std::uint32_t id)
    {
        static_cast<MidiAutoconnect *>(data)->removed(id);
    }
    static const pw_registry_events events;
};

const pw_registry_events MidiAutoconnectCallbacks::events = [] {
    pw_registry_events events{};
    events.version = PW_VERSION_REGISTRY_EVENTS;
    events.global = global;
    events.global_remove = globalRemove;
    return events;
}();

MidiAutoconnect::MidiAutoconnect(pw_core *core, std::uint32_t node)
    : core_(core), node_(node), listener_(std::make_unique<spa_hook>())
{
    *listener_ = {};
    registry_ = pw_core_get_registry(core, PW_VERSION_REGISTRY, 0);
    if (registry_)
        pw_registry_add_listener(registry_, listener_.get(), &MidiAutoconnectCallbacks::events,
                                 this);
}

MidiAutoconnect::~MidiAutoconnect()
{
    for (const auto &[port, link] : made_)
        pw_proxy_destroy(link);
    if (registry_) {
        spa_hook_remove(listener_.get());
        pw_proxy_destroy(reinterpret_cast<pw_proxy *>(registry_));
    }
}

void MidiAutoconnect::added(std::uint32_t id, const char *type, const spa_dict *props)
{
    if (is(type, PW_TYPE_INTERFACE_Node)) {
        if (is(lookup(props, PW_KEY_MEDIA_CLASS), "Midi/Bridge"))
            bridges_.insert(id);
    } else if (is(type, PW_TYPE_INTERFACE_Port)) {
        const Port port{number(lookup(props, PW_KEY_NODE_ID)),
                        is(lookup(props, PW_KEY_PORT_DIRECTION), "out"),
                        is(lookup(props, PW_KEY_FORMAT_DSP), "8 bit raw midi")};
        ports_[id] = port;
        if (port.node == node_ && !port.output && is(lookup(props, PW_KEY_PORT_NAME), "midi-in")) {
            input_ = id;
            inputKnown_ = true;
        }
    } else if (is(type, PW_TYPE_INTERFACE_Link)) {
        links_[id] = {number(lookup(props, PW_KEY_LINK_OUTPUT_PORT)),
                      number(lookup(props, PW_KEY_LINK_INPUT_PORT))};
        return;
    } else {
        return;
    }
    linkWhatIsNew();
}

void MidiAutoconnect::removed(std::uint32_t id)
{
    bridges_.erase(id);
    links_.erase(id);
    if (ports_.erase(id) == 0)
        return;
    // A keyboard unplugged: plugged in again, its port is new.
    const auto made = made_.find(id);
    if (made != made_.end()) {
        pw_proxy_destroy(made->second);
        made_.erase(made);
    }
}

void MidiAutoconnect::linkWhatIsNew()
{
    if (!inputKnown_)
        return;
    for (const auto &[id, port] : ports_) {
        if (!port.output || !port.midi || !bridges_.count(port.node) || made_.count(id))
            continue;
        bool linked = false;
        for (const auto &[link, ends] : links_)
            linked = linked || (ends.first == id && ends.second == input_);
        if (linked)
            continue;
        pw_properties *props = pw_properties_new(nullptr, nullptr);
        pw_properties_setf(props, PW_KEY_LINK_OUTPUT_NODE, "%u", port.node);
        pw_properties_setf(props, PW_KEY_LINK_OUTPUT_PORT, "%u", id);
        pw_properties_setf(props, PW_KEY_LINK_INPUT_NODE, "%u", node_);
        pw_properties_setf(props, PW_KEY_LINK_INPUT_PORT, "%u", input_);
        auto *link = static_cast<pw_proxy *>(pw_core_create_object(
            core_, "link-factory", PW_TYPE_INTERFACE_Link, PW_VERSION_LINK, &props->dict, 0));
        pw_properties_free(props);
        if (link)
            made_[id] = link;
    }
}

} // namespace kevaro
