#pragma once

#include "soundengine.h"

#include <AL/alext.h>
#include <stdexcept>
#include <vector>

// An OpenAL loopback device: it mixes only when asked to render, on the calling thread, so a
// test sees exactly which samples the engine produced.
class LoopbackDevice
{
public:
    static constexpr int sampleRate = 48000;

    // Float samples at 48 kHz; channels is ALC_MONO_SOFT or ALC_STEREO_SOFT.
    explicit LoopbackDevice(ALCenum channels = ALC_MONO_SOFT) : channels_(channels)
    {
        const auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
            alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
        if (!open || !(device_ = open(nullptr)))
            throw std::runtime_error("OpenAL has no loopback devices");
    }

    // An engine on this device; it takes the device over, so render only while it lives.
    kevaro::SoundEngine *openEngine()
    {
        const ALCint format[] = {ALC_FORMAT_CHANNELS_SOFT,
                                 channels_,
                                 ALC_FORMAT_TYPE_SOFT,
                                 ALC_FLOAT_SOFT,
                                 ALC_FREQUENCY,
                                 sampleRate,
                                 0};
        return kevaro::SoundEngine::openOnDevice(device_, format);
    }

    // The next frames of the mix, interleaved.
    std::vector<float> render(int frames)
    {
        static const auto renderSamples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
            alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
        std::vector<float> mix(std::size_t(frames * (channels_ == ALC_STEREO_SOFT ? 2 : 1)));
        renderSamples(device_, mix.data(), frames);
        return mix;
    }

private:
    ALCdevice *device_ = nullptr;
    ALCenum channels_;
};
