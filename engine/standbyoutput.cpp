#include "standbyoutput.h"

#include "outputsession.h"

#include <algorithm>

namespace kevaro {

namespace {

using namespace std::chrono_literals;

// How often watched devices are checked, and the longest a caller waits for a device being
// opened.
constexpr auto checkInterval = 250ms;
constexpr std::chrono::milliseconds longestWaitForOpening = 1s;
// Reopening while the sound server is gone backs off to this.
constexpr std::chrono::milliseconds longestRetryInterval = 1s;

} // namespace

StandbyOutput &StandbyOutput::instance()
{
    static StandbyOutput standby;
    return standby;
}

StandbyOutput::StandbyOutput() : worker_([this] { run(); }) {}

StandbyOutput::~StandbyOutput()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
    if (spare_)
        spare_->close();
    for (const std::shared_ptr<OutputSession> &session : retired_)
        session->close();
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

std::shared_ptr<OutputSession> StandbyOutput::awaitSpare()
{
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, longestWaitForOpening,
                          [this] { return !opening_ && !(spareWanted_ && !spare_); });
    }
    return takeSpare();
}

void StandbyOutput::watch(const std::shared_ptr<OutputSession> &session)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        watched_.push_back(session);
    }
    changed_.notify_all();
}

void StandbyOutput::retire(std::shared_ptr<OutputSession> session)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        retired_.push_back(std::move(session));
    }
    changed_.notify_all();
}

bool StandbyOutput::watchedDeviceIsGone()
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
    std::unique_lock<std::mutex> lock(mutex_);
    std::chrono::milliseconds retryInterval = 100ms;
    const auto workWaits = [this] {
        return stopping_ || !retired_.empty() || (spareWanted_ && !spare_);
    };
    while (!stopping_) {
        if (!retired_.empty()) {
            std::vector<std::shared_ptr<OutputSession>> closing;
            closing.swap(retired_);
            lock.unlock();
            for (const std::shared_ptr<OutputSession> &session : closing)
                session->close();
            lock.lock();
            continue;
        }
        if (spare_ && spare_->isDisconnected())
            retired_.push_back(std::move(spare_));
        const bool replacing = watchedDeviceIsGone();
        if (!spare_ && (spareWanted_ || replacing)) {
            spareWanted_ = false;
            opening_ = true;
            lock.unlock();
            std::shared_ptr<OutputSession> session = OutputSession::openDefault();
            if (session)
                session->uploadDecodedNotes();
            lock.lock();
            opening_ = false;
            spare_ = std::move(session);
            changed_.notify_all();
            if (!spare_ && replacing) {
                // The sound server is still gone.
                changed_.wait_for(lock, retryInterval, workWaits);
                retryInterval = std::min(retryInterval * 2, longestRetryInterval);
            } else {
                retryInterval = 100ms;
            }
            continue;
        }
        if (watched_.empty())
            changed_.wait(lock, workWaits);
        else
            changed_.wait_for(lock, checkInterval, workWaits);
    }
}

} // namespace kevaro
