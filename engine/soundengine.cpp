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
    // The device comes from the engine's own thread: the caller never waits for the sound
    // server, and a press before the device is ready plays once it is.
    StandbyOutput &standby = StandbyOutput::instance();
    std::shared_ptr<OutputSession> session = standby.takeSpare();
    if (session)
        standby.watch(session);
    else if (standby.outputIsMissing())
        return nullptr;
    return new SoundEngine(std::move(session), true);
}

bool SoundEngine::outputIsMissing()
{
    return StandbyOutput::instance().outputIsMissing();
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
    OutputSession::PlayOutcome outcome = OutputSession::PlayOutcome::Disconnected;
    if (session_) {
        Voice *voice = session_->play(path, x, y, z, looped, startPaused, keepHandle, outcome);
        if (outcome != OutputSession::PlayOutcome::Disconnected || !onDefaultDevice_)
            return voice;
    }

    StandbyOutput &standby = StandbyOutput::instance();
    std::shared_ptr<OutputSession> replacement = standby.takeSpare();
    if (!replacement) {
        // Rather than wait for the sound server, the note sounds once a device is ready,
        // unless it is long stale by then.
        if (path && !startPaused)
            standby.playWhenReady({path, x, y, z, looped});
        return nullptr;
    }
    if (session_)
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
    if (!onDefaultDevice_) {
        session_->close();
    } else {
        StandbyOutput &standby = StandbyOutput::instance();
        standby.cancelPendingPresses();
        // Silent at once; closing the device waits for the sound server, so it is done in
        // the background, and a hung server holds no caller.
        if (session_) {
            session_->silence();
            standby.retire(std::move(session_));
        }
        // Have a device ready for the next engine.
        standby.prepare();
    }
    delete this;
}

} // namespace kevaro
