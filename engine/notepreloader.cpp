#include "notepreloader.h"

#include "outputsession.h"
#include "samplecache.h"

namespace kevaro {

NotePreloader &NotePreloader::instance()
{
    static NotePreloader preloader;
    return preloader;
}

NotePreloader::NotePreloader() : worker_([this] { run(); }) {}

NotePreloader::~NotePreloader()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void NotePreloader::preload(std::vector<std::string> paths)
{
    NotePreloader &preloader = instance();
    {
        std::lock_guard<std::mutex> lock(preloader.mutex_);
        preloader.paths_ = std::move(paths);
        preloader.next_ = 0;
    }
    preloader.changed_.notify_all();
}

void NotePreloader::waitUntilIdle()
{
    NotePreloader &preloader = instance();
    std::unique_lock<std::mutex> lock(preloader.mutex_);
    preloader.changed_.wait(lock, [&preloader] { return preloader.isIdle(); });
}

void NotePreloader::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || next_ < paths_.size(); });
        if (stopping_)
            return;
        const std::string path = paths_[next_++];
        decoding_ = true;
        lock.unlock();
        if (const std::shared_ptr<const DecodedNote> note = SampleCache::instance().load(path))
            OutputSession::uploadToOpenSessions(path, note);
        lock.lock();
        decoding_ = false;
        changed_.notify_all();
    }
}

} // namespace kevaro
