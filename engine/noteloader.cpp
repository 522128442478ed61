#include "noteloader.h"

#include "samplecache.h"

#include <cerrno>
#include <climits>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace kevaro {

namespace {

constexpr std::uint32_t fileChanges =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_ATTRIB;

void wake(int eventFd)
{
    const std::uint64_t one = 1;
    // Never blocks: a full counter already wakes the loader.
    [[maybe_unused]] const ssize_t written = write(eventFd, &one, sizeof(one));
}

} // namespace

NoteLoader &NoteLoader::instance()
{
    // Never destroyed: the process may exit while a decode waits for a slow file system.
    static NoteLoader *const loader = new NoteLoader;
    return *loader;
}

NoteLoader::NoteLoader()
    : inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
      wakeup_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), worker_([this] { run(); })
{
    worker_.detach();
}

void NoteLoader::preload(std::vector<std::string> paths)
{
    NoteLoader &loader = instance();
    {
        std::lock_guard<std::mutex> lock(loader.mutex_);
        loader.paths_ = std::move(paths);
        loader.next_ = 0;
    }
    wake(loader.wakeup_);
}

void NoteLoader::loadThenPlay(std::string path, std::function<void()> play)
{
    NoteLoader &loader = instance();
    {
        std::lock_guard<std::mutex> lock(loader.mutex_);
        if (loader.presses_.size() >= maxWaitingPresses)
            loader.presses_.pop_front();
        loader.presses_.push_back({std::move(path), std::move(play)});
    }
    wake(loader.wakeup_);
}

void NoteLoader::loadThen(std::vector<std::string> paths, std::function<void(Notes)> done)
{
    NoteLoader &loader = instance();
    {
        std::lock_guard<std::mutex> lock(loader.mutex_);
        loader.setPaths_ = std::move(paths);
        loader.setLoaded_ = std::move(done);
    }
    wake(loader.wakeup_);
}

void NoteLoader::waitUntilIdle()
{
    NoteLoader &loader = instance();
    std::unique_lock<std::mutex> lock(loader.mutex_);
    const std::uint64_t ticket = ++loader.syncsAsked_;
    ++loader.syncs_;
    wake(loader.wakeup_);
    loader.changed_.wait(lock, [&] { return loader.synced_ >= ticket; });
}

void NoteLoader::watchFolderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    for (const auto &[descriptor, watched] : watchedFolders_) {
        if (watched == folder)
            return;
    }
    const int descriptor = inotify_add_watch(inotify_, folder.c_str(), fileChanges);
    if (descriptor >= 0)
        watchedFolders_[descriptor] = folder;
}

void NoteLoader::load(const std::string &path, bool report)
{
    SampleCache::instance().load(path, report);
    watchFolderOf(path);
}

void NoteLoader::takeInChanges(bool wait)
{
    pollfd sources[] = {{inotify_, POLLIN, 0}, {wakeup_, POLLIN, 0}};
    if (poll(sources, 2, wait ? -1 : 0) <= 0)
        return;
    std::uint64_t wakeups;
    [[maybe_unused]] const ssize_t read = ::read(wakeup_, &wakeups, sizeof(wakeups));
    alignas(inotify_event) char events[4096];
    ssize_t length;
    while ((length = ::read(inotify_, events, sizeof(events))) > 0) {
        for (char *at = events; at < events + length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(at);
            at += sizeof(inotify_event) + event->len;
            const auto folder = watchedFolders_.find(event->wd);
            if (event->mask & IN_IGNORED)
                watchedFolders_.erase(event->wd);
            if (folder == watchedFolders_.end() || event->len == 0)
                continue;
            const std::string path = folder->second + "/" + event->name;
            SampleCache &cache = SampleCache::instance();
            // Taken in again now, so the next press finds the note as it is on disk.
            if (cache.contains(path) || cache.isKnownUnplayable(path)) {
                cache.forget(path);
                if (access(path.c_str(), F_OK) == 0)
                    cache.load(path, false);
            }
        }
    }
}

void NoteLoader::run()
{
    pthread_setname_np(pthread_self(), "kevaro-loader");
    for (;;) {
        takeInChanges(false);
        std::unique_lock<std::mutex> lock(mutex_);
        if (!presses_.empty()) {
            Press press = std::move(presses_.front());
            presses_.pop_front();
            lock.unlock();
            load(press.path, true);
            if (SampleCache::instance().contains(press.path))
                press.play();
            continue;
        }
        if (setLoaded_) {
            const std::vector<std::string> paths = std::move(setPaths_);
            const std::function<void(Notes)> done = std::move(setLoaded_);
            setLoaded_ = nullptr;
            lock.unlock();
            Notes notes;
            for (const std::string &path : paths) {
                notes.push_back(SampleCache::instance().load(path, false));
                watchFolderOf(path);
            }
            done(std::move(notes));
            continue;
        }
        if (next_ < paths_.size()) {
            const std::string path = paths_[next_++];
            lock.unlock();
            load(path, false);
            continue;
        }
        if (syncs_ > 0) {
            // Changes made before the caller asked are in the kernel's queue by now.
            const std::uint64_t ticket = syncsAsked_;
            syncs_ = 0;
            lock.unlock();
            takeInChanges(false);
            lock.lock();
            synced_ = ticket;
            changed_.notify_all();
            continue;
        }
        lock.unlock();
        takeInChanges(true);
    }
}

} // namespace kevaro
