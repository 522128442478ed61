#include "loopbackdevice.h"

#include "soundengine.h"

#include <stdexcept>

LoopbackDevice::LoopbackDevice(ALCenum channels)
    : channelCount_(channels == ALC_STEREO_SOFT ? 2 : 1)
{
    const auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    const auto isFormatSupported = reinterpret_cast<LPALCISRENDERFORMATSUPPORTEDSOFT>(
        alcGetProcAddress(nullptr, "alcIsRenderFormatSupportedSOFT"));
    if (!openLoopback || !isFormatSupported)
        throw std::runtime_error("OpenAL has no loopback devices");
    device_ = openLoopback(nullptr);
    if (!device_ || !isFormatSupported(device_, sampleRate, channels, ALC_FLOAT_SOFT))
        throw std::runtime_error("cannot open a loopback device rendering float samples");
    attributes_ = {ALC_FORMAT_CHANNELS_SOFT,
                   channels,
                   ALC_FORMAT_TYPE_SOFT,
                   ALC_FLOAT_SOFT,
                   ALC_FREQUENCY,
                   sampleRate,
                   0};
}

kevaro::SoundEngine *LoopbackDevice::openEngine()
{
    return kevaro::SoundEngine::openOnDevice(device_, attributes_.data());
}

std::vector<float> LoopbackDevice::render(int frames)
{
    static const auto renderSamples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
        alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    std::vector<float> mix(std::size_t(frames) * std::size_t(channelCount_));
    renderSamples(device_, mix.data(), frames);
    return mix;
}
