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
// engines play it, and again once it changed on disk. Safe to use from any thread.
class SampleCache
{
public:
    static SampleCache &instance();

    // The decoded note of the file as it is now: from the cache while the file is unchanged
    // (one stat), from another thread decoding it right now (waits for it), or decoded here.
    // nullptr when the file is missing or cannot be decoded; a file that cannot be decoded
    // is tried again once it changed, so a note file copied in later still plays.
    std::shared_ptr<const DecodedNote> load(const std::string &path);

    // Every note decoded so far, as its file is now, for a newly opened device to upload in
    // one go. Notes still being decoded are left out.
    std::vector<std::pair<std::string, std::shared_ptr<const DecodedNote>>> decodedNotes();

    // How many times a file was decoded, failures included.
    std::uint64_t decodeCount() const { return decodes_.load(); }

private:
    using PendingNote = std::shared_future<std::shared_ptr<const DecodedNote>>;

    // What tells one version of a file from the next; ctime also catches a rewrite that
    // kept size and modification time.
    struct FileStamp
    {
        std::uint64_t device = 0, inode = 0;
        std::int64_t size = 0, modified = 0, changed = 0;
        bool operator==(const FileStamp &other) const;
    };
    struct Entry
    {
        FileStamp stamp;
        PendingNote note;
    };

    SampleCache() = default;
    static bool stampOf(const std::string &path, FileStamp &stamp);

    mutable std::mutex mutex_;
    std::unordered_map<std::string, Entry> notes_;
    std::atomic<std::uint64_t> decodes_{0};
};

} // namespace kevaro
