#include "soundengine.h"

#include "midihub.h"
#include "midiout.h"
#include "outputsession.h"
#include "standbyoutput.h"

namespace kevaro {

namespace {

std::atomic<bool> shuttingDown{false};

} // namespace

void SoundEngine::prepare()
{
    StandbyOutput::instance().prepare();
}

SoundEngine *SoundEngine::open()
{
    // The output comes from the engine's own thread: the caller never waits for the sound
    // server, and a press before the output is ready plays once it is.
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

SoundEngine *SoundEngine::openOnSession(std::shared_ptr<OutputSession> session)
{
    return session ? new SoundEngine(std::move(session), false) : nullptr;
}

void SoundEngine::setOutputWanted(bool wanted)
{
    StandbyOutput::instance().setOutputWanted(wanted);
}

void SoundEngine::shutDown()
{
    shuttingDown = true;
    StandbyOutput::instance().shutDown();
}

void SoundEngine::setMidiNotes(std::vector<std::pair<int, std::string>> files)
{
    MidiHub::instance().setFiles(std::move(files));
}

void SoundEngine::setMidiAutoconnect(bool on)
{
    MidiHub::instance().setAutoconnect(on);
}

void SoundEngine::setMidiListener(std::function<void(const MidiEvent &)> listener)
{
    MidiHub::instance().setListener(std::move(listener));
}

void SoundEngine::sendNoteOn(int key, int velocity)
{
    MidiOut::instance().send(0x90, std::uint8_t(key & 0x7f), std::uint8_t(velocity & 0x7f));
}

void SoundEngine::sendNoteOff(int key)
{
    MidiOut::instance().send(0x80, std::uint8_t(key & 0x7f), 0);
}

void SoundEngine::sendAllNotesOff()
{
    MidiOut::instance().send(0xb0, 123, 0);
}

SoundEngine::SoundEngine(std::shared_ptr<OutputSession> session, bool onDefaultOutput)
    : onDefaultOutput_(onDefaultOutput), session_(std::move(session))
{
}

SoundEngine::~SoundEngine() = default;

Voice *SoundEngine::playAt(const char *path, float x, float y, float z, bool looped,
                           bool startPaused, bool keepHandle, LoadMode, bool,
                           NoteExpression expression)
{
    if (!path)
        return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    OutputSession::PlayOutcome outcome = OutputSession::PlayOutcome::Disconnected;
    if (session_) {
        Voice *voice =
            session_->play(path, x, y, z, looped, startPaused, keepHandle, expression, outcome);
        if (outcome != OutputSession::PlayOutcome::Disconnected || !onDefaultOutput_)
            return voice;
    }

    StandbyOutput &standby = StandbyOutput::instance();
    std::shared_ptr<OutputSession> replacement = standby.takeSpare();
    if (!replacement) {
        // Rather than wait for the sound server, the note sounds once an output is ready,
        // unless it is long stale by then.
        if (!startPaused)
            standby.playWhenReady({path, x, y, z, looped, expression});
        return nullptr;
    }
    if (session_)
        standby.retire(std::move(session_));
    session_ = std::move(replacement);
    standby.watch(session_);
    return session_->play(path, x, y, z, looped, startPaused, keepHandle, expression, outcome);
}

void SoundEngine::addRef()
{
    references_.fetch_add(1, std::memory_order_relaxed);
}

void SoundEngine::release()
{
    if (references_.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    if (!onDefaultOutput_) {
        session_->silence();
    } else {
        StandbyOutput &standby = StandbyOutput::instance();
        standby.cancelPendingPresses();
        // Silent at once; the output serves the next engine, so the next press after Stop
        // need not wait for a new stream.
        if (session_)
            standby.reuse(std::move(session_));
        else if (!shuttingDown)
            standby.prepare();
    }
    delete this;
}

} // namespace kevaro
