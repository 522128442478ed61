#include "samplecache.h"

#include <chrono>
#include <optional>
#include <sys/stat.h>

namespace kevaro {

SampleCache &SampleCache::instance()
{
    // Never destroyed: worker threads may still look notes up while the process exits.
    static SampleCache *const cache = new SampleCache;
    return *cache;
}

bool SampleCache::FileStamp::operator==(const FileStamp &other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           modified == other.modified && changed == other.changed;
}

bool SampleCache::stampOf(const std::string &path, FileStamp &stamp)
{
    struct stat status;
    if (stat(path.c_str(), &status) != 0)
        return false;
    const auto nanoseconds = [](const timespec &t) {
        return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    stamp = {std::uint64_t(status.st_dev), std::uint64_t(status.st_ino),
             std::int64_t(status.st_size), nanoseconds(status.st_mtim),
             nanoseconds(status.st_ctim)};
    return true;
}

std::shared_ptr<const DecodedNote> SampleCache::load(const std::string &path)
{
    FileStamp stamp;
    const bool exists = stampOf(path, stamp);
    std::optional<std::promise<std::shared_ptr<const DecodedNote>>> decoding;
    PendingNote pending;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto known = notes_.find(path);
        if (!exists) {
            // Gone: never play the copy of a file that is no longer there.
            if (known != notes_.end())
                notes_.erase(known);
            return nullptr;
        }
        if (known != notes_.end() && known->second.stamp == stamp) {
            pending = known->second.note;
        } else {
            decoding.emplace();
            notes_[path] = {stamp, decoding->get_future().share()};
        }
    }
    if (!decoding)
        return pending.get();

    // Stamped before decoding: a change during the decode is seen at the next load.
    std::shared_ptr<const DecodedNote> note = DecodedNote::decodeFile(path);
    ++decodes_;
    decoding->set_value(note);
    return note;
}

std::vector<std::pair<std::string, std::shared_ptr<const DecodedNote>>> SampleCache::decodedNotes()
{
    std::vector<std::string> ready;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto &[path, entry] : notes_) {
            if (entry.note.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
                ready.push_back(path);
        }
    }
    std::vector<std::pair<std::string, std::shared_ptr<const DecodedNote>>> notes;
    for (const std::string &path : ready) {
        if (std::shared_ptr<const DecodedNote> note = load(path))
            notes.emplace_back(path, std::move(note));
    }
    return notes;
}

} // namespace kevaro
