#pragma once

#include <cstddef>

typedef struct ALCdevice ALCdevice;

namespace kevaro {

class Voice;

// How a note file is brought into memory before it plays.
enum class LoadMode { Automatic, Stream, Whole };

// Plays WAV files at 3-D positions on one OpenAL output device. Reference-counted:
// when the last reference is released every sound stops and the device is closed.
class SoundEngine
{
public:
    // Opens the default output device; nullptr when no device can be had.
    static SoundEngine *open();
    // Plays on a device the caller already opened (a loopback device in tests).
    // The engine takes the device over and closes it with its last reference.
    static SoundEngine *openOnDevice(ALCdevice *device);

    // Starts the file at (x, y, z) and returns at once. With keepHandle the caller gets a
    // Voice holding one reference, otherwise nullptr. nullptr also when the file cannot
    // be read or played.
    Voice *playAt(const char *path, float x, float y, float z, bool looped, bool startPaused,
                  bool keepHandle, LoadMode mode, bool effects);

    void addRef();
    void release();

    SoundEngine(const SoundEngine &) = delete;
    SoundEngine &operator=(const SoundEngine &) = delete;

private:
    struct State;
    explicit SoundEngine(State *state);
    ~SoundEngine();
    State *d;
};

} // namespace kevaro
