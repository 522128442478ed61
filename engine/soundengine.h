#pragma once

#include <AL/alc.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace kevaro {

class OutputSession;
class Voice;

// How a note file is brought into memory before it plays. Notes are short, so every mode
// decodes the whole file once and keeps it for the rest of the process.
enum class LoadMode { Automatic, Stream, Whole };

// Plays WAV files at 3-D positions on one OpenAL output device. Reference-counted: when the
// last reference is released every sound stops and the device is closed. Safe to use from
// any thread.
//
// Output latency: unless the user set OpenAL's period_size or periods in an OpenAL
// configuration file, the default device runs with three periods of 256 frames and a
// real-time mixer where the process may use real-time priority, else of 1024 frames. The
// environment variable KEVARO_AUDIO_PERIOD sets the frames per period instead (64 to 8192).
// Each opened device reports its latency in one line on stderr.
class SoundEngine
{
public:
    // Starts opening the default output device in the background, so that a later open()
    // finds it ready. Also done by itself after an engine's last release.
    static void prepare();
    // An engine on the default output device; never waits for it. It takes the prepared
    // device, or the one being opened in the background once it is ready: a note played
    // before then sounds as soon as the device is there (playAt gives nullptr). The same when
    // the device goes away (its sound server died): notes wait for a replacement, opened in
    // the background, for a second at most, else they are dropped. nullptr while no device
    // can be had; the background keeps trying, and a later open() finds it.
    static SoundEngine *open();
    // Whether the last try to open the default device failed and none is ready.
    static bool outputIsMissing();
    // Plays on a device the caller already opened (a loopback device in tests), creating its
    // context with these attributes (a loopback device needs its render format there). The
    // engine takes the device over and closes it with its last reference, or at once when it
    // cannot use it (then nullptr).
    static SoundEngine *openOnDevice(ALCdevice *device, const ALCint *contextAttributes = nullptr);

    // Starts the file at (x, y, z) and returns at once; the sound mixes on OpenAL's own thread.
    // A mono file is placed there, a stereo one plays as recorded. looped repeats it,
    // startPaused prepares it without sound (Voice::resume starts it). With keepHandle the
    // caller gets a Voice holding one reference, otherwise nullptr. nullptr also when the file
    // is missing or cannot be decoded. The file is decoded on its first play in the process
    // only, or ahead of it by NotePreloader. effects is accepted for callers that ask for
    // effect sends; the engine has none.
    Voice *playAt(const char *path, float x, float y, float z, bool looped, bool startPaused,
                  bool keepHandle, LoadMode mode, bool effects);

    void addRef();
    void release();

    SoundEngine(const SoundEngine &) = delete;
    SoundEngine &operator=(const SoundEngine &) = delete;

private:
    SoundEngine(std::shared_ptr<OutputSession> session, bool onDefaultDevice);
    ~SoundEngine();

    const bool onDefaultDevice_;
    std::mutex mutex_;
    // Empty until the default device is ready; replaced when it went away.
    std::shared_ptr<OutputSession> session_;
    std::atomic<int> references_{1};
};

} // namespace kevaro
