#pragma once

#include "decodednote.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace kevaro {

// The decoded notes of the whole process by path, so a file is decoded once however many
// engines play it. Bounded: the notes played longest ago go first. Safe to use from any
// thread; the lock is held for map operations only, never across I/O.
class SampleCache
{
public:
    static constexpr std::size_t maxNotes = 160;
    static constexpr std::size_t maxBytes = std::size_t(512) << 20;

    static SampleCache &instance();

    // The note as decoded last, from memory only: for presses on the GUI thread. nullptr when
    // it is not decoded (yet), or its file was missing or could not be decoded.
    std::shared_ptr<const DecodedNote> find(const std::string &path);
    // Whether the path was looked at and found missing or undecodable, unchanged since.
    bool isKnownUnplayable(const std::string &path);

    // For the note loader's thread: the note as its file is now, decoded again when it changed
    // (one stat when not). nullptr when missing or undecodable; with report, says so once per
    // file (a set's preload is quiet: sets often lack notes nobody plays).
    std::shared_ptr<const DecodedNote> load(const std::string &path, bool report = true);
    // Forgets the path: its file changed or went.
    void forget(const std::string &path);

    // How many times a file was decoded, failures included.
    std::uint64_t decodeCount() const { return decodes_.load(); }
    bool contains(const std::string &path);

private:
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
        std::shared_ptr<const DecodedNote> note; // nullptr: this version cannot be played
        std::uint64_t lastUse = 0;
        std::string problem; // why it cannot be played, said once when it is pressed
        bool reported = false;
    };

    SampleCache() = default;
    static bool stampOf(const std::string &path, FileStamp &stamp);
    // Caller holds mutex_.
    void evictBeyondBounds();

    std::mutex mutex_;
    std::unordered_map<std::string, Entry> notes_;
    std::uint64_t uses_ = 0;
    std::atomic<std::uint64_t> decodes_{0};
};

} // namespace kevaro
