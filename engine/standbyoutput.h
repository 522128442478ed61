#pragma once

#include "mixer.h"

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

// The engine's worker ("kevaro-output"): opens the default output in the background, so no
// caller waits for the sound server: a spare for the next engine, and a replacement when an
// engine's output goes away (its server died), retried until the server is back. It also
// pauses outputs nobody needs and closes those given up. Callers never wait for it.
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
        NoteExpression expression;
    };
    // Plays the note on the next spare as soon as it is open, if that is within a second;
    // opens one unless one is on its way. Bounded: beyond maxWaitingPresses the oldest goes.
    void playWhenReady(Press press);
    static constexpr std::size_t maxWaitingPresses = 32;
    // Whether the last try to open the default output failed and none is ready.
    bool outputIsMissing();
    // Forgets the notes waiting for an output.
    void cancelPendingPresses();
    // Keeps an eye on an engine's output and opens a replacement when it goes away.
    void watch(const std::shared_ptr<OutputSession> &session);
    // An engine's last release: its output, silenced, serves the next engine if it still
    // plays; else it is closed in the background.
    void reuse(std::shared_ptr<OutputSession> session);
    // Closes a session in the background: closing waits for the sound server.
    void retire(std::shared_ptr<OutputSession> session);
    // A note started on a paused output: wake it now rather than at the next check. Takes no
    // lock, so a caller may hold any.
    void wakeSoon();
    // Whether anyone can hear the piano (its window shown); outputs pause while not.
    void setOutputWanted(bool wanted);
    // The process ends: opens nothing any more and leaves what is open to the exit.
    void shutDown();

    StandbyOutput(const StandbyOutput &) = delete;
    StandbyOutput &operator=(const StandbyOutput &) = delete;

private:
    StandbyOutput();
    using Clock = std::chrono::steady_clock;
    struct PendingPress
    {
        Press press;
        Clock::time_point pressed;
    };

    void run();
    bool watchedOutputIsGone();
    void playPendingPresses(OutputSession &session);
    // Pauses idle outputs and wakes those a note wants; without the lock.
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
    const Clock::duration idleBeforePause_;
    std::atomic<bool> wakeWanted_{false};
    std::atomic<bool> outputWanted_{true};
};

} // namespace kevaro
