#include "outputsession.h"

#include "contextscope.h"
#include "decodednote.h"
#include "outputlatency.h"
#include "pipewireoutput.h"
#include "samplecache.h"
#include "standbyoutput.h"
#include "voice.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>

namespace kevaro {

namespace {

// Every session not closed yet, for uploads from worker threads. Never destroyed, as those
// threads may still run while the process exits.
std::mutex &openSessionsMutex()
{
    static std::mutex *const mutex = new std::mutex;
    return *mutex;
}

// The raw pointer identifies a session whose last owner is gone already.
using OpenSession = std::pair<const OutputSession *, std::weak_ptr<OutputSession>>;

std::vector<OpenSession> &openSessions()
{
    static auto *const sessions = new std::vector<OpenSession>;
    return *sessions;
}

ALuint uploadBuffer(const DecodedNote &note)
{
    alGetError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    if (alGetError() != AL_NO_ERROR)
        return 0;
    alBufferData(buffer, note.channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16,
                 note.samples.data(), ALsizei(note.samples.size() * sizeof(note.samples[0])),
                 note.sampleRate);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteBuffers(1, &buffer);
        return 0;
    }
    return buffer;
}

} // namespace

namespace {

// The kernel ids of this process's threads.
std::vector<pid_t> threadIds()
{
    std::vector<pid_t> ids;
    std::error_code error;
    for (const auto &task : std::filesystem::directory_iterator("/proc/self/task", error))
        ids.push_back(pid_t(std::atoi(task.path().filename().c_str())));
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace

std::shared_ptr<OutputSession> OutputSession::openThroughPipeWire(bool &pipeWireAwaited)
{
    pipeWireAwaited = false;
    if (!PipeWireOutput::worthTrying())
        return nullptr;
    // Zero when the user's OpenAL configuration chose the buffers: OpenAL's device then.
    const int cycleFrames = OutputLatency::chosenPeriodFrames();
    ALCdevice *device = cycleFrames ? alcLoopbackOpenDeviceSOFT(nullptr) : nullptr;
    std::shared_ptr<OutputSession> session =
        device ? adopt(device, PipeWireOutput::contextAttributes()) : nullptr;
    if (!session)
        return nullptr;
    PipeWireOutput::Outcome outcome;
    session->pipeWire_ = PipeWireOutput::start(device, cycleFrames, outcome);
    if (!session->pipeWire_) {
        session->close();
        pipeWireAwaited = outcome == PipeWireOutput::Outcome::Awaited;
        return nullptr;
    }
    OutputLatency::reportCycles(
        cycleFrames, PipeWireOutput::rate,
        OutputLatency::raiseRenderThread(session->pipeWire_->renderThread()));
    return session;
}

std::shared_ptr<OutputSession> OutputSession::openDefault()
{
    bool pipeWireAwaited = false;
    if (std::shared_ptr<OutputSession> session = openThroughPipeWire(pipeWireAwaited))
        return session;
    if (pipeWireAwaited)
        return nullptr;
    // OpenAL's threads are the ones that appear while the device and its context open.
    const std::vector<pid_t> before = threadIds();
    ALCdevice *device = OutputLatency::openDefaultDevice();
    if (!device)
        return nullptr;
    std::shared_ptr<OutputSession> session = adopt(device, nullptr);
    if (!session)
        return nullptr;
    const std::vector<pid_t> after = threadIds();
    std::vector<pid_t> appeared;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(appeared));
    OutputLatency::report(device, OutputLatency::raiseMixer(appeared));
    return session;
}

std::shared_ptr<OutputSession> OutputSession::adopt(ALCdevice *device, const ALCint *attributes)
{
    ALCcontext *context = alcCreateContext(device, attributes);
    if (!context) {
        alcCloseDevice(device);
        return nullptr;
    }
    auto session = std::make_shared<OutputSession>(device, context);
    std::lock_guard<std::mutex> lock(openSessionsMutex());
    openSessions().emplace_back(session.get(), session);
    return session;
}

OutputSession::OutputSession(ALCdevice *device, ALCcontext *context)
    : device_(device), context_(context)
{
}

OutputSession::~OutputSession()
{
    close();
}

Voice *OutputSession::play(const char *path, float x, float y, float z, bool looped,
                           bool startPaused, bool keepHandle, PlayOutcome &outcome)
{
    std::unique_lock<std::mutex> lock(mutex_);
    outcome = PlayOutcome::Unplayable;
    if (closed_ || !path)
        return nullptr;
    if (!isConnectedLocked()) {
        outcome = PlayOutcome::Disconnected;
        return nullptr;
    }
    ContextScope scope(context_);
    const ALuint buffer = bufferFor(path);
    if (buffer == 0)
        return nullptr;
    outcome = PlayOutcome::Played;
    // Nobody could ever start it.
    if (startPaused && !keepHandle)
        return nullptr;

    const ALuint source = takeSource();
    if (source == 0) {
        outcome = PlayOutcome::Unplayable;
        return nullptr;
    }
    alSourcei(source, AL_BUFFER, ALint(buffer));
    alSourcei(source, AL_LOOPING, looped ? AL_TRUE : AL_FALSE);
    // Relative to the listener, wherever it is. OpenAL places only mono sources; a stereo
    // note keeps the panning it was recorded with.
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source, AL_POSITION, x, y, z);
    if (!startPaused)
        alSourcePlay(source);

    Voice *voice = keepHandle ? new Voice(shared_from_this(), source) : nullptr;
    playbacks_.push_back({source, voice});
    lastSound_ = std::chrono::steady_clock::now();
    const bool asleep = paused_;
    lock.unlock();
    if (asleep)
        StandbyOutput::instance().wakeSoon();
    return voice;
}

ALuint OutputSession::bufferFor(const char *path)
{
    const std::string key(path);
    // One stat when the note is known: a file changed on disk plays as it is now.
    const std::shared_ptr<const DecodedNote> decoded = SampleCache::instance().load(key);
    if (!decoded)
        return 0;
    const auto uploaded = buffers_.find(key);
    if (uploaded != buffers_.end() && uploaded->second.note == decoded)
        return uploaded->second.buffer;
    const ALuint buffer = uploadBuffer(*decoded);
    if (buffer != 0)
        replaceBuffer(key, {buffer, decoded});
    return buffer;
}

void OutputSession::replaceBuffer(const std::string &path, const UploadedNote &uploaded)
{
    const auto [known, added] = buffers_.emplace(path, uploaded);
    if (added)
        return;
    retiredBuffers_.push_back(known->second.buffer);
    known->second = uploaded;
    // Frees those no source holds any longer; deleting a held one fails and keeps it.
    std::vector<ALuint> held;
    for (ALuint buffer : retiredBuffers_) {
        alGetError();
        alDeleteBuffers(1, &buffer);
        if (alGetError() != AL_NO_ERROR)
            held.push_back(buffer);
    }
    retiredBuffers_.swap(held);
}

ALuint OutputSession::takeSource()
{
    if (idleSources_.empty()) {
        alGetError();
        ALuint source = 0;
        alGenSources(1, &source);
        if (alGetError() == AL_NO_ERROR)
            return source;
        // At the device's source limit.
        reclaimFinishedSources();
        if (idleSources_.empty())
            return stealOldestSource();
    }
    const ALuint source = idleSources_.back();
    idleSources_.pop_back();
    return source;
}

void OutputSession::reclaimFinishedSources()
{
    const auto finished = [this](const Playback &playback) {
        if (playback.holder)
            return false;
        ALint state = AL_STOPPED;
        alGetSourcei(playback.source, AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING)
            return false;
        idleSources_.push_back(playback.source);
        return true;
    };
    playbacks_.erase(std::remove_if(playbacks_.begin(), playbacks_.end(), finished),
                     playbacks_.end());
}

ALuint OutputSession::stealOldestSource()
{
    if (playbacks_.empty())
        return 0;
    // Cut a note nobody holds before one a caller may still want to control.
    auto victim = std::find_if(playbacks_.begin(), playbacks_.end(),
                               [](const Playback &playback) { return !playback.holder; });
    if (victim == playbacks_.end())
        victim = playbacks_.begin();
    const ALuint source = victim->source;
    alSourceStop(source);
    if (victim->holder)
        victim->holder->source_ = 0;
    playbacks_.erase(victim);
    return source;
}

void OutputSession::upload(const std::string &path, const std::shared_ptr<const DecodedNote> &note)
{
    std::lock_guard<std::mutex> closing(closingMutex_);
    const auto isUploaded = [&] {
        const auto uploaded = buffers_.find(path);
        return uploaded != buffers_.end() && uploaded->second.note == note;
    };
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_ || isUploaded())
            return;
    }
    ContextScope scope(context_);
    ALuint buffer = uploadBuffer(*note);
    if (buffer == 0)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    // A press may have uploaded it meanwhile.
    if (isUploaded())
        alDeleteBuffers(1, &buffer);
    else
        replaceBuffer(path, {buffer, note});
}

void OutputSession::uploadDecodedNotes()
{
    for (const auto &[path, note] : SampleCache::instance().decodedNotes())
        upload(path, note);
}

void OutputSession::uploadToOpenSessions(const std::string &path,
                                         const std::shared_ptr<const DecodedNote> &note)
{
    std::vector<std::shared_ptr<OutputSession>> sessions;
    {
        std::lock_guard<std::mutex> lock(openSessionsMutex());
        for (const OpenSession &open : openSessions()) {
            if (std::shared_ptr<OutputSession> session = open.second.lock())
                sessions.push_back(std::move(session));
        }
    }
    for (const std::shared_ptr<OutputSession> &session : sessions)
        session->upload(path, note);
}

bool OutputSession::isDisconnected() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return !closed_ && !isConnectedLocked();
}

void OutputSession::pauseOrWake(std::chrono::steady_clock::duration idleFor)
{
    // close() runs on the same thread for a default device; this keeps out any other caller.
    std::lock_guard<std::mutex> closing(closingMutex_);
    std::unique_lock<std::mutex> lock(mutex_);
    if (closed_ || !isConnectedLocked())
        return;
    bool sounding;
    {
        ContextScope scope(context_);
        sounding = anySourcePlayingLocked();
    }
    const auto now = std::chrono::steady_clock::now();
    if (sounding)
        lastSound_ = now;
    const bool wake = paused_ && sounding;
    const bool pause = !paused_ && now - lastSound_ >= idleFor;
    if (!wake && !pause)
        return;
    // Both wait for the sound server: not under the lock that presses take.
    lock.unlock();
    if (pipeWire_)
        pipeWire_->setActive(wake);
    else if (wake)
        alcDeviceResumeSOFT(device_);
    else
        alcDevicePauseSOFT(device_);
    lock.lock();
    paused_ = pause;
}

bool OutputSession::anySourcePlayingLocked() const
{
    return std::any_of(playbacks_.begin(), playbacks_.end(), [](const Playback &playback) {
        ALint state = AL_STOPPED;
        alGetSourcei(playback.source, AL_SOURCE_STATE, &state);
        return state == AL_PLAYING;
    });
}

bool OutputSession::isConnectedLocked() const
{
    if (pipeWire_)
        return !pipeWire_->isDisconnected();
    ALCint connected = ALC_TRUE;
    alcGetIntegerv(device_, ALC_CONNECTED, 1, &connected);
    return connected == ALC_TRUE;
}

void OutputSession::silence()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_)
        return;
    ContextScope scope(context_);
    for (const Playback &playback : playbacks_)
        alSourceStop(playback.source);
}

void OutputSession::close()
{
    std::lock_guard<std::mutex> closing(closingMutex_);
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_)
        return;
    closed_ = true;
    {
        std::lock_guard<std::mutex> registry(openSessionsMutex());
        std::vector<OpenSession> &open = openSessions();
        open.erase(
            std::remove_if(open.begin(), open.end(),
                           [this](const OpenSession &session) { return session.first == this; }),
            open.end());
    }
    {
        ContextScope scope(context_);
        std::vector<ALuint> sources = idleSources_;
        for (const Playback &playback : playbacks_) {
            sources.push_back(playback.source);
            if (playback.holder)
                playback.holder->source_ = 0;
        }
        if (!sources.empty()) {
            alSourceStopv(ALsizei(sources.size()), sources.data());
            // Sources go before the buffers they hold, or deleting those fails.
            alDeleteSources(ALsizei(sources.size()), sources.data());
        }
        for (const auto &uploaded : buffers_)
            alDeleteBuffers(1, &uploaded.second.buffer);
        if (!retiredBuffers_.empty())
            alDeleteBuffers(ALsizei(retiredBuffers_.size()), retiredBuffers_.data());
    }
    retiredBuffers_.clear();
    idleSources_.clear();
    playbacks_.clear();
    buffers_.clear();
    // Nothing renders the device any more once the stream is gone.
    pipeWire_.reset();
    alcDestroyContext(context_);
    alcCloseDevice(device_);
}

void OutputSession::releaseHandle(Voice &voice)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_ || voice.source_ == 0)
        return;
    ContextScope scope(context_);
    const auto held = std::find_if(playbacks_.begin(), playbacks_.end(),
                                   [&voice](const Playback &p) { return p.holder == &voice; });
    ALint state = AL_STOPPED;
    alGetSourcei(voice.source_, AL_SOURCE_STATE, &state);
    voice.source_ = 0;
    // A sounding note plays on, a looped one until its engine goes, as one played without
    // a handle does.
    if (state == AL_PLAYING) {
        held->holder = nullptr;
        return;
    }
    // A paused note nobody holds could never be started again.
    alSourceStop(held->source);
    idleSources_.push_back(held->source);
    playbacks_.erase(held);
}

template <typename Action> bool OutputSession::withSourceOf(const Voice &voice, Action action)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_ || voice.source_ == 0)
        return false;
    ContextScope scope(context_);
    return action(voice.source_);
}

void OutputSession::pause(const Voice &voice)
{
    withSourceOf(voice, [](ALuint source) {
        alSourcePause(source);
        return true;
    });
}

void OutputSession::resume(const Voice &voice)
{
    withSourceOf(voice, [](ALuint source) {
        // Playing a playing source would start it over.
        ALint state = AL_STOPPED;
        alGetSourcei(source, AL_SOURCE_STATE, &state);
        if (state != AL_PLAYING)
            alSourcePlay(source);
        return true;
    });
}

void OutputSession::stop(const Voice &voice)
{
    withSourceOf(voice, [](ALuint source) {
        alSourceStop(source);
        return true;
    });
}

bool OutputSession::isPlaying(const Voice &voice)
{
    return withSourceOf(voice, [](ALuint source) {
        ALint state = AL_STOPPED;
        alGetSourcei(source, AL_SOURCE_STATE, &state);
        return state == AL_PLAYING;
    });
}

} // namespace kevaro
