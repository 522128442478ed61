#include "soundingvoice.h"

#include "decodednote.h"

#include <algorithm>
#include <cmath>

namespace kevaro {

void SoundingVoice::release(std::uint32_t frames, std::uint32_t after)
{
    releaseFrames = std::max<std::uint32_t>(frames, 1);
    releaseIn = after;
}

bool SoundingVoice::mixInto(float *stereo, std::uint32_t frames)
{
    std::uint32_t frame = std::min(delay, frames);
    delay -= frame;
    bool sounding = true;
    while (sounding && frame < frames) {
        if (releaseIn <= frame) {
            // -60 dB, a thousandth of the level, after releaseFrames frames.
            decay = std::pow(0.001f, 1.0f / float(releaseFrames));
            releaseIn = noRelease;
        }
        const std::uint32_t end = std::min(frames, releaseIn);
        sounding = mixRange(stereo, frame, end);
        frame = end;
    }
    if (releaseIn != noRelease)
        releaseIn = releaseIn > frames ? releaseIn - frames : 0;
    return sounding;
}

bool SoundingVoice::mixRange(float *stereo, std::uint32_t from, std::uint32_t to)
{
    const std::int16_t *samples = note->samples.data();
    const bool mono = note->channels == 1;
    const std::size_t length = note->samples.size() / std::size_t(note->channels);
    const double end = double(length);
    constexpr float scale = 1.0f / 32768;
    for (std::uint32_t frame = from; frame < to; ++frame) {
        const std::size_t at = std::size_t(position);
        const float fraction = float(position - double(at));
        // The next frame for interpolation: the first again when looped, else this one.
        const std::size_t next = at + 1 < length ? at + 1 : looped ? 0 : at;
        float left, right;
        if (mono) {
            const float s = samples[at] + fraction * float(samples[next] - samples[at]);
            left = s;
            right = s;
        } else {
            left = samples[2 * at] + fraction * float(samples[2 * next] - samples[2 * at]);
            right =
                samples[2 * at + 1] + fraction * float(samples[2 * next + 1] - samples[2 * at + 1]);
        }
        stereo[2 * frame] += left * scale * gainLeft * envelope;
        stereo[2 * frame + 1] += right * scale * gainRight * envelope;
        if (decay < 1) {
            envelope *= decay;
            if (envelope < 0.001f)
                return false;
        }
        position += step;
        if (position >= end) {
            if (!looped)
                return false;
            position = std::fmod(position, end);
        }
    }
    return true;
}

} // namespace kevaro
