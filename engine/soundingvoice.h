#pragma once

#include <cstdint>

namespace kevaro {

struct DecodedNote;

// A note as the mixer's render side plays it: where it is in its samples, how fast it moves
// through them (its pitch), its loudness on each side and its fade once released. Plain data,
// so that the render side keeps its voices in fixed arrays and never allocates.
struct SoundingVoice
{
    // Frames a second, of every voice and of the mix.
    static constexpr int rate = 48000;
    static constexpr std::uint32_t noRelease = UINT32_MAX;

    const DecodedNote *note = nullptr;
    double position = 0;
    double step = 1;
    float gainLeft = 0, gainRight = 0;
    // While released: the level, multiplied by decay each frame until -60 dB.
    float envelope = 1;
    float decay = 1;
    // Frames of silence before its first sample: a MIDI note starts where its event lies in
    // the graph cycle.
    std::uint32_t delay = 0;
    // A release due that many frames into the next mix, over releaseFrames.
    std::uint32_t releaseIn = noRelease;
    std::uint32_t releaseFrames = 0;
    bool looped = false;

    // Fades to -60 dB over that many frames, from `after` frames into the next mix on; a
    // release already under way takes the new length.
    void release(std::uint32_t frames, std::uint32_t after = 0);
    bool isReleased() const { return decay < 1 || releaseIn != noRelease; }
    // Adds its next frames to the interleaved stereo mix; false once it ended (its last
    // sample played, or faded out).
    bool mixInto(float *stereo, std::uint32_t frames);

private:
    // Mixes frames [from, to); false once it ended.
    bool mixRange(float *stereo, std::uint32_t from, std::uint32_t to);
};

} // namespace kevaro
