#pragma once

#include "decodednote.h"

#include <atomic>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kevaro {

// The decoded notes of the whole process by path, so a file is decoded once however many
// engines play it. Safe to use from any thread.
class SampleCache
{
public:
    static SampleCache &instance();

    // The decoded note: from the cache, from another thread decoding it right now (waits for
    // it), or decoded here. nullptr when the file cannot be decoded; such a file is tried
    // again next time, so a note file copied in later still plays.
    std::shared_ptr<const DecodedNote> load(const std::string &path);

    // Every note decoded so far, for a newly opened device to upload in one go.
    std::vector<std::pair<std::string, std::shared_ptr<const DecodedNote>>> decodedNotes() const;

    // How many times a file was decoded, failures included.
    std::uint64_t decodeCount() const { return decodes_.load(); }

private:
    using PendingNote = std::shared_future<std::shared_ptr<const DecodedNote>>;

    SampleCache() = default;

    mutable std::mutex mutex_;
    std::unordered_map<std::string, PendingNote> notes_;
    std::atomic<std::uint64_t> decodes_{0};
};

} // namespace kevaro
