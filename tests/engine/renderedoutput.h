#pragma once

#include "mixer.h"
#include "outputsession.h"
#include "soundengine.h"

#include <vector>

// An engine whose mix the test renders on its own thread, so it sees exactly which samples
// the engine produced.
class RenderedOutput
{
public:
    static constexpr int sampleRate = kevaro::Mixer::rate;

    // mono: render() gives the left channel only.
    explicit RenderedOutput(bool stereo = false) : stereo_(stereo) {}

    kevaro::SoundEngine *openEngine() { return kevaro::SoundEngine::openOnSession(session_); }
    kevaro::Mixer &mixer() { return session_->mixer(); }

    // The next frames of the mix, interleaved when stereo.
    std::vector<float> render(int frames)
    {
        std::vector<float> mix(std::size_t(frames) * 2);
        session_->mixer().render(mix.data(), std::uint32_t(frames));
        if (stereo_)
            return mix;
        std::vector<float> left(static_cast<std::size_t>(frames));
        for (std::size_t i = 0; i < left.size(); ++i)
            left[i] = mix[2 * i];
        return left;
    }

private:
    const bool stereo_;
    std::shared_ptr<kevaro::OutputSession> session_ = kevaro::OutputSession::withoutOutput();
};
