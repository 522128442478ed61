#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

struct pw_core;
struct pw_proxy;
struct pw_registry;
struct spa_dict;
struct spa_hook;

namespace kevaro {

// Links the MIDI node's input to the MIDI sources of the system's MIDI bridge (hardware
// keyboards through PipeWire's ALSA MIDI bridge, nodes of media.class "Midi/Bridge"): those
// there when it starts and any that appears later, each once, and none that is linked already.
// WirePlumber links no MIDI nodes by itself. Runs on the output's loop thread, from the
// registry's events; the links go when the output's connection does.
class MidiAutoconnect
{
public:
    // Under the loop's lock; node: the MIDI node's id in the graph, whose "midi-in" it links.
    MidiAutoconnect(pw_core *core, std::uint32_t node);
    ~MidiAutoconnect();
    MidiAutoconnect(const MidiAutoconnect &) = delete;
    MidiAutoconnect &operator=(const MidiAutoconnect &) = delete;

private:
    friend struct MidiAutoconnectCallbacks;
    struct Port
    {
        std::uint32_t node = 0;
        bool output = false;
        bool midi = false;
    };

    void added(std::uint32_t id, const char *type, const spa_dict *props);
    void removed(std::uint32_t id);
    void linkWhatIsNew();

    pw_core *const core_;
    const std::uint32_t node_;
    pw_registry *registry_ = nullptr;
    std::unique_ptr<spa_hook> listener_;
    std::uint32_t input_ = 0;
    bool inputKnown_ = false;
    std::set<std::uint32_t> bridges_;
    std::map<std::uint32_t, Port> ports_;
    // Links in the graph by id, as output port and input port; ours by output port.
    std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> links_;
    std::map<std::uint32_t, pw_proxy *> made_;
};

} // namespace kevaro
