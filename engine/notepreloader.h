#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kevaro {

// Decodes note files ahead of their first press, on a worker thread, and uploads them to
// every open output device, so that a press finds its note ready. A note pressed before
// its turn still plays at once: the press decodes it then.
class NotePreloader
{
public:
    // Returns at once. A newer request replaces what is left of an older one.
    static void preload(std::vector<std::string> paths);
    // Blocks until every requested note is decoded.
    static void waitUntilIdle();

    NotePreloader(const NotePreloader &) = delete;
    NotePreloader &operator=(const NotePreloader &) = delete;

private:
    NotePreloader();
    ~NotePreloader();
    static NotePreloader &instance();
    void run();
    bool isIdle() const { return next_ == paths_.size() && !decoding_; }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> paths_;
    std::size_t next_ = 0;
    bool decoding_ = false;
    bool stopping_ = false;
    std::thread worker_;
};

} // namespace kevaro
