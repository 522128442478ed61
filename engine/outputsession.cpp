#include "outputsession.h"

#include "midihub.h"
#include "noteloader.h"
#include "outputlatency.h"
#include "pipewireoutput.h"
#include "pulseoutput.h"
#include "samplecache.h"
#include "soundserver.h"
#include "standbyoutput.h"
#include "voice.h"

namespace kevaro {

namespace {

void sayNoMidiOnce(bool serverIsPipeWire)
{
    static std::atomic<bool> said{false};
    if (said.exchange(true))
        return;
    if (serverIsPipeWire)
        std::fprintf(stderr, "kevaro: MIDI needs PipeWire's own stream; playing through its "
                             "pulse server, the piano has no MIDI\n");
    else
        std::fprintf(stderr, "kevaro: MIDI needs PipeWire; this sound server is PulseAudio, so "
                             "the piano has no MIDI\n");
}

} // namespace

std::shared_ptr<OutputSession> OutputSession::openDefault()
{
    // Asked, not guessed: PipeWire's pulse server says it is PipeWire.
    const SoundServer::Answer server = SoundServer::ask();
    auto session = std::make_shared<OutputSession>();
    if (server.isPipeWire || (!server.answers && PipeWireOutput::worthTrying())) {
        PipeWireOutput::Outcome outcome;
        session->output_ =
            PipeWireOutput::start(session->mixer_, OutputLatency::chosenPeriodFrames(), outcome);
        // A PipeWire that played for us and does not answer now is restarting or hung: wait
        // for it rather than settle for its slower pulse server.
        if (!session->output_ && outcome == PipeWireOutput::Outcome::Awaited)
            return nullptr;
    }
    if (!session->output_ && server.answers) {
        std::string whyNot;
        session->output_ =
            PulseOutput::open(session->mixer_, OutputLatency::queuedPeriodFrames(), whyNot);
        if (!session->output_)
            std::fprintf(stderr, "kevaro: %s\n", whyNot.c_str());
        else
            sayNoMidiOnce(server.isPipeWire);
    }
    if (!session->output_)
        return nullptr;
    // The flag, not the session: the output's thread must never hold the session's last
    // reference, whose end closes that very output.
    session->output_->setMidiNoteHandler([came = session->midiNoteCame_] {
        *came = true;
        StandbyOutput::instance().wakeSoon();
    });
    MidiHub::instance().attach(session);
    OutputLatency::report(*session->output_,
                          OutputLatency::raiseRenderThread(session->output_->renderThread()));
    return session;
}

std::shared_ptr<OutputSession> OutputSession::withoutOutput()
{
    return std::make_shared<OutputSession>();
}

OutputSession::OutputSession() = default;

OutputSession::~OutputSession()
{
    close();
}

Voice *OutputSession::play(const std::string &path, float x, float y, float z, bool looped,
                           bool startPaused, bool keepHandle, NoteExpression expression,
                           PlayOutcome &outcome)
{
    outcome = PlayOutcome::Unplayable;
    // Nobody could ever start it.
    if (startPaused && !keepHandle)
        return nullptr;
    std::shared_ptr<const DecodedNote> note = SampleCache::instance().find(path);
    if (!note) {
        // Decoded on the loader's thread, then played; a handle cannot be had for it.
        if (!startPaused) {
            std::weak_ptr<OutputSession> self = weak_from_this();
            NoteLoader::loadThenPlay(path, [self, path, x, y, z, looped, expression] {
                PlayOutcome later;
                if (const std::shared_ptr<OutputSession> session = self.lock())
                    session->play(path, x, y, z, looped, false, false, expression, later);
            });
            outcome = PlayOutcome::Waiting;
        }
        return nullptr;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (closed_)
        return nullptr;
    if (output_ && output_->isDisconnected()) {
        outcome = PlayOutcome::Disconnected;
        return nullptr;
    }
    const Mixer::VoiceRef ref =
        mixer_.start(std::move(note), x, y, z, looped, startPaused, keepHandle, expression);
    if (!ref.valid())
        return nullptr;
    outcome = PlayOutcome::Played;
    lastSound_ = std::chrono::steady_clock::now();
    Voice *voice = keepHandle ? new Voice(shared_from_this(), ref, epoch_) : nullptr;
    const bool asleep = paused_;
    if (output_)
        output_->notesQueued();
    lock.unlock();
    if (asleep)
        StandbyOutput::instance().wakeSoon();
    return voice;
}

bool OutputSession::isDisconnected() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return !closed_ && output_ && output_->isDisconnected();
}

void OutputSession::pauseOrWake(std::chrono::steady_clock::duration idleFor, bool wanted)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (closed_ || !output_ || output_->isDisconnected())
        return;
    const bool sounding = mixer_.anySounding() || midiNoteCame_->exchange(false);
    const auto now = std::chrono::steady_clock::now();
    if (sounding)
        lastSound_ = now;
    // Back from hidden while the piano was in use, it wakes before the next press.
    const bool wake = paused_ && wanted && (sounding || now - lastSound_ < idleFor);
    const bool pause = !paused_ && (!wanted || now - lastSound_ >= idleFor);
    if (!wake && !pause)
        return;
    paused_ = pause;
    // Only the worker closes the output, so it stays while the server is waited for here
    // without the lock that presses take.
    AudioOutput *output = output_.get();
    lock.unlock();
    output->setActive(wake);
}

void OutputSession::silence()
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++epoch_;
    mixer_.stopAll();
    if (output_)
        output_->notesQueued();
}

void OutputSession::setMidiTable(std::shared_ptr<const MidiNoteTable> table)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!closed_)
        mixer_.setMidiTable(std::move(table));
}

void OutputSession::close()
{
    std::unique_ptr<AudioOutput> output;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_)
            return;
        closed_ = true;
        ++epoch_;
        mixer_.stopAll();
        output = std::move(output_);
    }
    // Waits for the server, without the lock that presses take.
    output.reset();
}

bool OutputSession::isCurrent(const Voice &voice) const
{
    return !closed_ && voice.epoch_ == epoch_;
}

void OutputSession::letGo(const Voice &voice)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!closed_)
        mixer_.letGo(voice.ref_);
}

void OutputSession::pause(const Voice &voice)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (isCurrent(voice))
        mixer_.pause(voice.ref_);
}

void OutputSession::resume(const Voice &voice)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (!isCurrent(voice))
        return;
    mixer_.resume(voice.ref_);
    lastSound_ = std::chrono::steady_clock::now();
    if (output_)
        output_->notesQueued();
    const bool asleep = paused_;
    lock.unlock();
    if (asleep)
        StandbyOutput::instance().wakeSoon();
}

void OutputSession::stop(const Voice &voice)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (isCurrent(voice))
        mixer_.stop(voice.ref_);
}

bool OutputSession::isPlaying(const Voice &voice)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return isCurrent(voice) && mixer_.isSounding(voice.ref_);
}

void OutputSession::fadeOut(const Voice &voice, std::uint32_t frames)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (isCurrent(voice))
        mixer_.release(voice.ref_, frames);
}

} // namespace kevaro
