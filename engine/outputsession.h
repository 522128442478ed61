#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace kevaro {

class PipeWireOutput;
class Voice;
struct DecodedNote;

// One output device with its context, the notes uploaded to it and the sources playing them.
// Shared by the engine and the voices it handed out, so a voice may outlive the engine: after
// close() every call does nothing. Safe to use from any thread.
class OutputSession : public std::enable_shared_from_this<OutputSession>
{
public:
    enum class PlayOutcome { Played, Unplayable, Disconnected };

    // The default output: PipeWire's own stream where PipeWire is the sound server, else
    // OpenAL's default device; nullptr when none can be had.
    static std::shared_ptr<OutputSession> openDefault();
    // A device the caller opened; context attributes as alcCreateContext takes them (a
    // loopback device needs its render format there). Closes the device when this fails.
    static std::shared_ptr<OutputSession> adopt(ALCdevice *device, const ALCint *attributes);

    ~OutputSession();

    // Starts the note and returns at once. With keepHandle the caller gets a voice holding
    // one reference. Decodes the file here only when nobody decoded it before.
    Voice *play(const char *path, float x, float y, float z, bool looped, bool startPaused,
                bool keepHandle, PlayOutcome &outcome);

    // Uploads the note unless this device has it already; for worker threads, so that
    // pressing it later costs no copying either. A newer decoding of the path replaces the
    // older one.
    void upload(const std::string &path, const std::shared_ptr<const DecodedNote> &note);
    // Uploads every note the process decoded so far.
    void uploadDecodedNotes();
    // Uploads the note to every open device.
    static void uploadToOpenSessions(const std::string &path,
                                     const std::shared_ptr<const DecodedNote> &note);

    // Whether the device went away (its sound server died, say); false once closed.
    bool isDisconnected() const;

    // Pauses the device once nothing has sounded for idleFor, so an idle piano costs no
    // mixing, and wakes it when a note starts. For the standby thread: both wait for the
    // sound server, which a press must never do.
    void pauseOrWake(std::chrono::steady_clock::duration idleFor);

    // Stops every sound; the device stays open.
    void silence();
    // Stops every sound, then frees sources, buffers, context and device. Idempotent.
    void close();

    // For Voice; each does nothing once the voice lost its source.
    void releaseHandle(Voice &voice);
    void pause(const Voice &voice);
    void resume(const Voice &voice);
    void stop(const Voice &voice);
    bool isPlaying(const Voice &voice);

    OutputSession(ALCdevice *device, ALCcontext *context);
    OutputSession(const OutputSession &) = delete;
    OutputSession &operator=(const OutputSession &) = delete;

private:
    struct Playback
    {
        ALuint source;
        Voice *holder; // nullptr once nobody holds a handle to it
    };

    // A buffer of a note as uploaded, with the decoding it came from.
    struct UploadedNote
    {
        ALuint buffer;
        std::shared_ptr<const DecodedNote> note;
    };

    // A loopback device rendered by a PipeWire stream; nullptr with pipeWireAwaited set when
    // PipeWire is the sound server but does not answer now.
    static std::shared_ptr<OutputSession> openThroughPipeWire(bool &pipeWireAwaited);

    ALuint bufferFor(const char *path);
    // Puts buffer in the place of path's older upload, if any. Caller holds mutex_ with the
    // context current.
    void replaceBuffer(const std::string &path, const UploadedNote &uploaded);
    ALuint takeSource();
    void reclaimFinishedSources();
    ALuint stealOldestSource();
    bool isConnectedLocked() const;
    bool anySourcePlayingLocked() const;
    // Runs action(source) under the lock with the context current; false when the voice has
    // no source (any more).
    template <typename Action> bool withSourceOf(const Voice &voice, Action action);

    ALCdevice *const device_;
    ALCcontext *const context_;
    // What renders device_ where OpenAL's own backend does not; set before the session is
    // handed out, gone at close().
    std::unique_ptr<PipeWireOutput> pipeWire_;

    // Held while uploading, so close() waits for an upload without it holding up presses.
    std::mutex closingMutex_;
    mutable std::mutex mutex_;
    bool closed_ = false;
    bool paused_ = false; // by pauseOrWake; a note started meanwhile waits for the wake
    std::chrono::steady_clock::time_point lastSound_ = std::chrono::steady_clock::now();
    std::unordered_map<std::string, UploadedNote> buffers_; // by note path
    // Older uploads that a source still held when they were replaced; freed at close().
    std::vector<ALuint> retiredBuffers_;
    std::vector<ALuint> idleSources_;
    std::vector<Playback> playbacks_; // oldest first
};

} // namespace kevaro
