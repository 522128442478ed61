#include "samplecache.h"

#include <cstdio>
#include <exception>
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
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    const auto nanoseconds = [](const timespec &t) {
        return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    stamp = {std::uint64_t(status.st_dev), std::uint64_t(status.st_ino),
             std::int64_t(status.st_size), nanoseconds(status.st_mtim),
             nanoseconds(status.st_ctim)};
    return true;
}

std::shared_ptr<const DecodedNote> SampleCache::find(const std::string &path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto known = notes_.find(path);
    if (known == notes_.end())
        return nullptr;
    known->second.lastUse = ++uses_;
    return known->second.note;
}

bool SampleCache::isKnownUnplayable(const std::string &path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto known = notes_.find(path);
    return known != notes_.end() && !known->second.note;
}

bool SampleCache::contains(const std::string &path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto known = notes_.find(path);
    return known != notes_.end() && known->second.note;
}

void SampleCache::forget(const std::string &path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    notes_.erase(path);
}

std::shared_ptr<const DecodedNote> SampleCache::load(const std::string &path, bool report)
{
    FileStamp stamp;
    const bool exists = stampOf(path, stamp);
    std::unique_lock<std::mutex> lock(mutex_);
    const auto known = notes_.find(path);
    if (known == notes_.end() || !exists || !(known->second.stamp == stamp)) {
        lock.unlock();
        Entry entry{stamp, nullptr, 0, "no note file " + path, false};
        if (exists) {
            // Stamped before decoding: a change during the decode is seen at the next load.
            try {
                entry.note = DecodedNote::decodeFile(path);
                entry.problem = path + " is not a sound file Kevaro can play";
            } catch (const std::exception &error) {
                // Out of memory, most likely: the note stays silent, nothing else is hurt.
                entry.problem = "could not load " + path + " (" + error.what() + ")";
            }
            ++decodes_;
        }
        lock.lock();
        // Said once for as long as the file stays missing.
        const auto before = notes_.find(path);
        if (!exists && before != notes_.end() && !before->second.note)
            entry.reported = before->second.reported;
        notes_[path] = std::move(entry);
    }
    Entry &entry = notes_[path];
    entry.lastUse = ++uses_;
    if (!entry.note && report && !entry.reported) {
        std::fprintf(stderr, "kevaro: %s; it stays silent\n", entry.problem.c_str());
        entry.reported = true;
    }
    std::shared_ptr<const DecodedNote> note = entry.note;
    evictBeyondBounds();
    return note;
}

void SampleCache::evictBeyondBounds()
{
    const auto bytesOf = [](const Entry &entry) {
        return entry.note ? entry.note->samples.size() * sizeof(entry.note->samples[0]) : 0;
    };
    for (;;) {
        std::size_t bytes = 0;
        auto oldest = notes_.end();
        for (auto entry = notes_.begin(); entry != notes_.end(); ++entry) {
            bytes += bytesOf(entry->second);
            if (oldest == notes_.end() || entry->second.lastUse < oldest->second.lastUse)
                oldest = entry;
        }
        // The newest note stays, whatever it weighs.
        if (notes_.size() <= 1 || (notes_.size() <= maxNotes && bytes <= maxBytes))
            return;
        notes_.erase(oldest);
    }
}

} // namespace kevaro
