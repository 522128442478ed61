#pragma once

#include <AL/alc.h>
#include <AL/alext.h>

#include <vector>

namespace kevaro {
class SoundEngine;
}

// An OpenAL loopback device: it mixes only when asked to render, on the calling thread, so a
// test sees exactly which samples the engine produced.
class LoopbackDevice
{
public:
    static constexpr int sampleRate = 48000;

    // Float samples at 48 kHz; channels is ALC_MONO_SOFT or ALC_STEREO_SOFT.
    explicit LoopbackDevice(ALCenum channels = ALC_MONO_SOFT);

    // An engine on this device; it takes the device over, so render only while it lives.
    kevaro::SoundEngine *openEngine();
    // The next frames of the mix, interleaved.
    std::vector<float> render(int frames);

private:
    ALCdevice *device_ = nullptr;
    int channelCount_;
    std::vector<ALCint> attributes_;
};
