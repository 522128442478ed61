#include "soundengine.h"

#include "outputsession.h"

namespace kevaro {

SoundEngine *SoundEngine::open()
{
    std::shared_ptr<OutputSession> session = OutputSession::openDefault();
    return session ? new SoundEngine(std::move(session)) : nullptr;
}

SoundEngine *SoundEngine::openOnDevice(ALCdevice *device, const ALCint *contextAttributes)
{
    std::shared_ptr<OutputSession> session = OutputSession::adopt(device, contextAttributes);
    return session ? new SoundEngine(std::move(session)) : nullptr;
}

SoundEngine::SoundEngine(std::shared_ptr<OutputSession> session) : session_(std::move(session)) {}

SoundEngine::~SoundEngine() = default;

Voice *SoundEngine::playAt(const char *path, float x, float y, float z, bool looped,
                           bool startPaused, bool keepHandle, LoadMode, bool)
{
    OutputSession::PlayOutcome outcome;
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
    delete this;
}

} // namespace kevaro
