#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kevaro {

struct DecodedNote;

// The one thread that touches note files ("kevaro-loader"): it decodes them ahead of their
// presses, decodes a note pressed before it was ready and then plays it, and watches the
// folders of decoded notes (inotify), so that a file replaced on disk plays as it is now.
// Presses never wait for it.
class NoteLoader
{
public:
    // Returns at once. A newer request replaces what is left of an older one.
    static void preload(std::vector<std::string> paths);
    // Decodes the note, then runs play (on the loader's thread), unless the note cannot be
    // played. Bounded: beyond maxWaitingPresses the oldest waiting press is dropped.
    static void loadThenPlay(std::string path, std::function<void()> play);
    using Notes = std::vector<std::shared_ptr<const DecodedNote>>;
    // Decodes the files quietly, as a preload does, then hands their notes (nullptr for one that
    // cannot be played), in the same order, to done on the loader's thread. A newer request
    // replaces one not started yet.
    static void loadThen(std::vector<std::string> paths, std::function<void(Notes)> done);
    // Blocks until every request so far is done and every change on disk seen so far is
    // taken in; for tests and tools.
    static void waitUntilIdle();

    static constexpr std::size_t maxWaitingPresses = 64;

    NoteLoader(const NoteLoader &) = delete;
    NoteLoader &operator=(const NoteLoader &) = delete;

private:
    struct Press
    {
        std::string path;
        std::function<void()> play;
    };

    NoteLoader();
    static NoteLoader &instance();
    void run();
    void load(const std::string &path, bool report);
    void watchFolderOf(const std::string &path);
    // Reads what changed on disk; with wait, until something did or work came.
    void takeInChanges(bool wait);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Press> presses_;
    std::vector<std::string> setPaths_;
    std::function<void(Notes)> setLoaded_;
    std::vector<std::string> paths_;
    std::size_t next_ = 0;
    int syncs_ = 0;
    std::uint64_t synced_ = 0;
    std::uint64_t syncsAsked_ = 0;
    // Used by the loader's thread only.
    int inotify_ = -1;
    int wakeup_ = -1;
    std::map<int, std::string> watchedFolders_; // by watch descriptor
    std::thread worker_;
};

} // namespace kevaro
