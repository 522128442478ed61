#include "samplecache.h"

#include <chrono>
#include <optional>

namespace kevaro {

SampleCache &SampleCache::instance()
{
    // Never destroyed: worker threads may still look notes up while the process exits.
    static SampleCache *const cache = new SampleCache;
    return *cache;
}

std::shared_ptr<const DecodedNote> SampleCache::load(const std::string &path)
{
    std::optional<std::promise<std::shared_ptr<const DecodedNote>>> decoding;
    PendingNote pending;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto known = notes_.find(path);
        if (known != notes_.end()) {
            pending = known->second;
        } else {
            decoding.emplace();
            notes_.emplace(path, decoding->get_future().share());
        }
    }
    if (!decoding)
        return pending.get();

    std::shared_ptr<const DecodedNote> note = DecodedNote::decodeFile(path);
    ++decodes_;
    decoding->set_value(note);
    if (!note) {
        std::lock_guard<std::mutex> lock(mutex_);
        notes_.erase(path);
    }
    return note;
}

std::vector<std::pair<std::string, std::shared_ptr<const DecodedNote>>>
SampleCache::decodedNotes() const
{
    std::vector<std::pair<std::string, std::shared_ptr<const DecodedNote>>> notes;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto &[path, pending] : notes_) {
        if (pending.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            continue;
        if (std::shared_ptr<const DecodedNote> note = pending.get())
            notes.emplace_back(path, std::move(note));
    }
    return notes;
}

} // namespace kevaro
