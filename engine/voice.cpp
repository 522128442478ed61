#include "voice.h"

#include "outputsession.h"

namespace kevaro {

Voice::Voice(std::shared_ptr<OutputSession> session, Mixer::VoiceRef ref, std::uint64_t epoch)
    : session_(std::move(session)), ref_(ref), epoch_(epoch)
{
}

Voice::~Voice() = default;

void Voice::addRef()
{
    references_.fetch_add(1, std::memory_order_relaxed);
}

void Voice::release()
{
    if (references_.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    session_->letGo(*this);
    delete this;
}

void Voice::pause()
{
    session_->pause(*this);
}

void Voice::resume()
{
    session_->resume(*this);
}

void Voice::stop()
{
    session_->stop(*this);
}

void Voice::fadeOut(std::chrono::milliseconds length)
{
    session_->fadeOut(*this, std::uint32_t(length.count() * Mixer::rate / 1000));
}

bool Voice::isPlaying() const
{
    return session_->isPlaying(*this);
}

} // namespace kevaro
