#include "midiout.h"

#include <ctime>

namespace kevaro {

MidiOut &MidiOut::instance()
{
    // Never destroyed: a node's real-time thread may still read it while the process exits.
    static MidiOut *const out = new MidiOut;
    return *out;
}

std::int64_t MidiOut::nowNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void MidiOut::send(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    queue_.push({{status, data1, data2}, 3, nowNs()});
}

bool MidiOut::claim(const void *node)
{
    const void *none = nullptr;
    return owner_.load(std::memory_order_acquire) == node ||
           owner_.compare_exchange_strong(none, node, std::memory_order_acq_rel);
}

void MidiOut::letGo(const void *node)
{
    owner_.compare_exchange_strong(node, nullptr, std::memory_order_acq_rel);
}

bool MidiOut::next(Message &message, std::int64_t nowNs)
{
    while (queue_.pop(message)) {
        if (nowNs - message.sentNs <= freshForNs)
            return true;
    }
    return false;
}

} // namespace kevaro
