#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kevaro {

class OutputSession;

// Opens the default output device in the background, so no caller waits for it: a spare for
// the next engine, and a replacement when an engine's device goes away (its sound server
// died), retried until the server is back.
class StandbyOutput
{
public:
    static StandbyOutput &instance();

    // Starts opening a spare, unless one is ready or on its way.
    void prepare();
    // The spare if it is ready and still connected, else nullptr; never waits.
    std::shared_ptr<OutputSession> takeSpare();
    struct Press
    {
        std::string path;
        float x, y, z;
        bool looped;
    };
    // Plays the note on the next spare as soon as it is open, if that is within a second;
    // opens one unless one is on its way.
    void playWhenReady(Press press);
    // Whether the last try to open the default device failed and none is ready.
    bool outputIsMissing();
    // Forgets the notes waiting for a device.
    void cancelPendingPresses();
    // Keeps an eye on an engine's device and opens a replacement when it goes away.
    void watch(const std::shared_ptr<OutputSession> &session);
    // Closes a session in the background: closing a dead device can take milliseconds.
    void retire(std::shared_ptr<OutputSession> session);
    // A note started on a paused device: wake it now rather than at the next check. Takes no
    // lock, so a caller may hold any.
    void wakeSoon();

    StandbyOutput(const StandbyOutput &) = delete;
    StandbyOutput &operator=(const StandbyOutput &) = delete;

private:
    StandbyOutput();
    ~StandbyOutput();
    using Clock = std::chrono::steady_clock;
    struct PendingPress
    {
        Press press;
        Clock::time_point pressed;
    };

    void run();
    bool watchedDeviceIsGone();
    void playPendingPresses(OutputSession &session);
    // Pauses idle devices and wakes those a note wants; without the lock.
    void pauseOrWakeOpenSessions(std::unique_lock<std::mutex> &lock);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::shared_ptr<OutputSession> spare_;
    std::vector<std::weak_ptr<OutputSession>> watched_;
    std::vector<std::shared_ptr<OutputSession>> retired_;
    std::vector<PendingPress> pending_;
    bool spareWanted_ = false;
    bool opening_ = false;
    bool stopping_ = false;
    bool saidNoOutput_ = false;
    std::atomic<bool> wakeWanted_{false};
    std::thread worker_;
};

} // namespace kevaro
