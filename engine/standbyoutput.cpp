#include "standbyoutput.h"

#include "outputsession.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>

namespace kevaro {

namespace {

using namespace std::chrono_literals;

// How often watched outputs are checked.
constexpr auto checkInterval = 250ms;
// An output that has sounded nothing for this long is paused: mixing silence costs a tablet's
// battery, and a sound card left running is what keeps the next note quick. Long enough that
// nobody playing meets a paused output; KEVARO_IDLE_PAUSE_SECONDS shortens it for tests.
constexpr std::chrono::seconds defaultIdleBeforePause = 120s;
// A note that could not sound for this long is dropped rather than played late.
constexpr auto longestWaitOfAPress = 1s;
// Reopening while the sound server is gone backs off to this.
constexpr std::chrono::milliseconds longestRetryInterval = 1s;

std::chrono::steady_clock::duration idleBeforePause()
{
    const char *asked = std::getenv("KEVARO_IDLE_PAUSE_SECONDS");
    if (!asked || !*asked)
        return defaultIdleBeforePause;
    char *end = nullptr;
    const double seconds = std::strtod(asked, &end);
    if (*end != '\0' || !(seconds > 0 && seconds <= 86400)) {
        std::fprintf(stderr, "kevaro: ignoring KEVARO_IDLE_PAUSE_SECONDS=%s (seconds)\n", asked);
        return defaultIdleBeforePause;
    }
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(seconds));
}

} // namespace

StandbyOutput &StandbyOutput::instance()
{
    // Never destroyed: the worker may be waiting for a hung sound server when the process
    // exits, and the exit must not wait for it.
    static StandbyOutput *const standby = new StandbyOutput;
    return *standby;
}

StandbyOutput::StandbyOutput() : idleBeforePause_(idleBeforePause())
{
    std::thread([this] { run(); }).detach();
}

void StandbyOutput::prepare()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        spareWanted_ = true;
    }
    changed_.notify_all();
}

std::shared_ptr<OutputSession> StandbyOutput::takeSpare()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (spare_ && spare_->isDisconnected())
        retired_.push_back(std::move(spare_));
    return std::move(spare_);
}

void StandbyOutput::playWhenReady(Press press)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (pending_.size() >= maxWaitingPresses)
            pending_.erase(pending_.begin());
        pending_.push_back({std::move(press), Clock::now()});
        // A spare on its way serves.
        if (!opening_)
            spareWanted_ = true;
    }
    changed_.notify_all();
}

bool StandbyOutput::outputIsMissing()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return saidNoOutput_ && !spare_;
}

void StandbyOutput::cancelPendingPresses()
{
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.clear();
}

void StandbyOutput::playPendingPresses(OutputSession &session)
{
    const Clock::time_point now = Clock::now();
    for (const PendingPress &pending : pending_) {
        if (now - pending.pressed > longestWaitOfAPress)
            continue;
        const Press &press = pending.press;
        OutputSession::PlayOutcome outcome;
        session.play(press.path, press.x, press.y, press.z, press.looped, false, false,
                     press.expression, outcome);
    }
    pending_.clear();
}

void StandbyOutput::watch(const std::shared_ptr<OutputSession> &session)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        watched_.push_back(session);
    }
    changed_.notify_all();
}

void StandbyOutput::reuse(std::shared_ptr<OutputSession> session)
{
    session->silence();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!spare_ && !stopping_ && !session->isDisconnected())
            spare_ = std::move(session);
        else
            retired_.push_back(std::move(session));
    }
    changed_.notify_all();
}

void StandbyOutput::wakeSoon()
{
    wakeWanted_ = true;
    changed_.notify_all();
}

void StandbyOutput::setOutputWanted(bool wanted)
{
    outputWanted_ = wanted;
    wakeSoon();
}

void StandbyOutput::shutDown()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        pending_.clear();
    }
    changed_.notify_all();
}

void StandbyOutput::pauseOrWakeOpenSessions(std::unique_lock<std::mutex> &lock)
{
    std::vector<std::shared_ptr<OutputSession>> open;
    if (spare_)
        open.push_back(spare_);
    for (const std::weak_ptr<OutputSession> &watched : watched_)
        if (std::shared_ptr<OutputSession> session = watched.lock())
            open.push_back(std::move(session));
    wakeWanted_ = false;
    lock.unlock();
    for (const std::shared_ptr<OutputSession> &session : open)
        session->pauseOrWake(idleBeforePause_, outputWanted_);
    open.clear();
    lock.lock();
}

void StandbyOutput::retire(std::shared_ptr<OutputSession> session)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        retired_.push_back(std::move(session));
    }
    changed_.notify_all();
}

bool StandbyOutput::watchedOutputIsGone()
{
    watched_.erase(std::remove_if(watched_.begin(), watched_.end(),
                                  [](const std::weak_ptr<OutputSession> &session) {
                                      return session.expired();
                                  }),
                   watched_.end());
    return std::any_of(watched_.begin(), watched_.end(),
                       [](const std::weak_ptr<OutputSession> &watched) {
                           const std::shared_ptr<OutputSession> session = watched.lock();
                           return session && session->isDisconnected();
                       });
}

void StandbyOutput::run()
{
    pthread_setname_np(pthread_self(), "kevaro-output");
    std::unique_lock<std::mutex> lock(mutex_);
    std::chrono::milliseconds retryInterval = 100ms;
    const auto workWaits = [this] {
        return stopping_ || !retired_.empty() || (spareWanted_ && !spare_) || wakeWanted_;
    };
    while (!stopping_) {
        if (!retired_.empty()) {
            std::vector<std::shared_ptr<OutputSession>> closing;
            closing.swap(retired_);
            lock.unlock();
            for (const std::shared_ptr<OutputSession> &session : closing)
                session->close();
            closing.clear();
            lock.lock();
            continue;
        }
        if (spare_ && spare_->isDisconnected())
            retired_.push_back(std::move(spare_));
        const bool replacing = watchedOutputIsGone();
        if (!spare_ && (spareWanted_ || replacing)) {
            spareWanted_ = false;
            opening_ = true;
            lock.unlock();
            std::shared_ptr<OutputSession> session = OutputSession::openDefault();
            lock.lock();
            opening_ = false;
            if (stopping_)
                break;
            spare_ = std::move(session);
            if (spare_) {
                playPendingPresses(*spare_);
                saidNoOutput_ = false;
                retryInterval = 100ms;
            } else {
                if (!saidNoOutput_)
                    std::fprintf(stderr, "kevaro: no sound output (no sound server or device "
                                         "answers); notes stay silent until one does\n");
                saidNoOutput_ = true;
                // Try again until the sound server is there.
                spareWanted_ = true;
                changed_.wait_for(lock, retryInterval, [this] { return stopping_; });
                retryInterval = std::min(retryInterval * 2, longestRetryInterval);
            }
            continue;
        }
        pauseOrWakeOpenSessions(lock);
        if (watched_.empty() && !spare_)
            changed_.wait(lock, workWaits);
        else
            changed_.wait_for(lock, checkInterval, workWaits);
    }
}

} // namespace kevaro
