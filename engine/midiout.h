#pragma once

#include "spscqueue.h"

#include <atomic>
#include <cstdint>

namespace kevaro {

// The messages the piano sends on its MIDI output, on their way from the thread that plays the
// keys (the GUI's) to the MIDI node's real-time process, which writes them on "midi-out" in
// order: a lock-free queue, so that the sender never waits. Process-wide, never destroyed.
class MidiOut
{
public:
    struct Message
    {
        std::uint8_t bytes[3] = {};
        std::uint8_t size = 0;
        // CLOCK_MONOTONIC when sent: a node that comes late drops what nobody heard in time.
        std::int64_t sentNs = 0;
    };
    // Older messages are dropped rather than sent late.
    static constexpr std::int64_t freshForNs = 1'000'000'000;

    static MidiOut &instance();

    // The sender's side, one thread at a time. Dropped when the queue is full: no node takes
    // them.
    void send(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);

    // The nodes' side, on their real-time thread. One node writes them: the first that asks
    // while none does, until it lets go.
    bool claim(const void *node);
    void letGo(const void *node);
    // The next message still fresh at nowNs.
    bool next(Message &message, std::int64_t nowNs);

    static std::int64_t nowNs();

private:
    MidiOut() = default;

    SpscQueue<Message, 512> queue_;
    std::atomic<const void *> owner_{nullptr};
};

} // namespace kevaro
