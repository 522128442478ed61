#pragma once

#include "midievent.h"
#include "spscqueue.h"

#include <atomic>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct pw_core;
struct pw_filter;
struct pw_thread_loop;
struct pw_stream;
struct spa_hook;
struct spa_source;

namespace kevaro {

class Mixer;

// The piano's MIDI node on PipeWire: "Kevaro", with the ports "midi-in" and "midi-out". Its
// process runs on the output's real-time thread first in every graph cycle, before the stream
// that mixes, which it triggers (the graph would run that stream first, so that MIDI would wait
// a cycle): it reads what came in and starts and ends notes on the mixer's render side, writes
// what the piano plays on midi-out, then triggers the stream, which mixes that same cycle.
// What the screen is told goes through a lock-free queue to the loop's thread, which the
// process wakes without waiting. Everything but the process runs with the loop's lock held.
class MidiNode
{
public:
    enum class State { Connecting, Ready, Failed };

    // Creates the node in the core's context, scheduled with the nodes of `group`; nullptr
    // and why not when PipeWire refuses it.
    static std::unique_ptr<MidiNode> create(pw_core *core, pw_thread_loop *loop, Mixer &mixer,
                                            const std::string &group, std::string &whyNot);
    ~MidiNode();
    MidiNode(const MidiNode &) = delete;
    MidiNode &operator=(const MidiNode &) = delete;

    State state() const { return state_; }
    // Its id in the graph, once Ready.
    std::uint32_t id() const;
    // The stream the process triggers after it, each cycle.
    void drive(pw_stream *stream) { stream_ = stream; }
    // Called on the loop's thread when a note came in.
    void setNoteHandler(std::function<void()> handler) { noteHandler_ = std::move(handler); }

    struct Port;

private:
    friend struct MidiNodeCallbacks;
    MidiNode(pw_thread_loop *loop, Mixer &mixer);

    // Render side.
    void readInput(std::uint32_t frames);
    void writeOutput();
    void report(MidiEvent::Kind kind, int number);

    pw_thread_loop *const loop_;
    Mixer &mixer_;
    pw_filter *filter_ = nullptr;
    Port *input_ = nullptr;
    Port *output_ = nullptr;
    spa_source *eventsSource_ = nullptr;
    std::unique_ptr<spa_hook> listener_;
    std::atomic<State> state_{State::Connecting};
    std::atomic<pw_stream *> stream_{nullptr};
    std::function<void()> noteHandler_;

    // The render side's own.
    std::bitset<128> keysDown_;
    bool pedalDown_ = false;
    bool eventsWaiting_ = false;
    SpscQueue<MidiEvent, 512> events_;
};

} // namespace kevaro
