#include "soundengine.h"

#include "outputlatency.h"
#include "outputsession.h"
#include "standbyoutput.h"

namespace kevaro {

void SoundEngine::prepare()
{
    OutputLatency::applyConfiguration();
    StandbyOutput::instance().prepare();
}

SoundEngine *SoundEngine::open()
{
    OutputLatency::applyConfiguration();
    StandbyOutput &standby = StandbyOutput::instance();
    std::shared_ptr<OutputSession> session = standby.awaitSpare();
    if (!session)
        session = OutputSession::openDefault();
    if (!session)
        return nullptr;
    standby.watch(session);
    return new SoundEngine(std::move(session), true);
}

SoundEngine *SoundEngine::openOnDevice(ALCdevice *device, const ALCint *contextAttributes)
{
    std::shared_ptr<OutputSession> session = OutputSession::adopt(device, contextAttributes);
    return session ? new SoundEngine(std::move(session), false) : nullptr;
}

SoundEngine::SoundEngine(std::shared_ptr<OutputSession> session, bool onDefaultDevice)
    : onDefaultDevice_(onDefaultDevice), session_(std::move(session))
{
}

SoundEngine::~SoundEngine() = default;

Voice *SoundEngine::playAt(const char *path, float x, float y, float z, bool looped,
                           bool startPaused, bool keepHandle, LoadMode, bool)
{
    std::lock_guard<std::mutex> lock(mutex_);
    OutputSession::PlayOutcome outcome;
    Voice *voice = session_->play(path, x, y, z, looped, startPaused, keepHandle, outcome);
    if (outcome != OutputSession::PlayOutcome::Disconnected || !onDefaultDevice_)
        return voice;

    StandbyOutput &standby = StandbyOutput::instance();
    std::shared_ptr<OutputSession> replacement = standby.takeSpare();
    if (!replacement) {
        // Skip this note rather than wait for the sound server.
        standby.prepare();
        return nullptr;
    }
    standby.retire(std::move(session_));
    session_ = std::move(replacement);
    standby.watch(session_);
    return session_->play(path, x, y, z, looped, startPaused, keepHandle, outcome);
}

void SoundEngine::addRef()
{
    references_.fetch_add(1, std::memory_order_relaxed);
}

void SoundEngine::release()
{
    if (references_.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    session_->close();
    // Have a device ready for the next engine.
    if (onDefaultDevice_)
        StandbyOutput::instance().prepare();
    delete this;
}

} // namespace kevaro
