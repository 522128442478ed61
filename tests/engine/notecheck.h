#pragma once

// Shorthands for the engine tests: pressing notes and comparing mixes sample by sample.
#include "soundengine.h"
#include "voice.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

inline void playNote(kevaro::SoundEngine *engine, const std::string &path, float x = 0)
{
    engine->playAt(path.c_str(), x, 0, 0, false, false, false, kevaro::LoadMode::Automatic, true);
}

inline kevaro::Voice *holdNote(kevaro::SoundEngine *engine, const std::string &path,
                               bool looped = false, bool paused = false)
{
    return engine->playAt(path.c_str(), 0, 0, 0, looped, paused, true, kevaro::LoadMode::Automatic,
                          true);
}

// A note at the listener as a mono mix at its rate carries it: unchanged, without delay.
// frames of it from frame `from` on, silence after its end, repeating when looped.
inline std::vector<float> mixOf(const std::vector<std::int16_t> &tone, std::size_t frames,
                                std::size_t from = 0, bool looped = false)
{
    std::vector<float> mix(frames, 0.0f);
    for (std::size_t i = 0; i < frames; ++i) {
        const std::size_t at = looped ? (from + i) % tone.size() : from + i;
        if (at < tone.size())
            mix[i] = float(tone[at]) / 32768.0f;
    }
    return mix;
}

inline std::vector<float> silence(std::size_t frames)
{
    return std::vector<float>(frames);
}

inline ::testing::AssertionResult sameSamples(const std::vector<float> &mix,
                                              const std::vector<float> &expected)
{
    if (mix.size() != expected.size())
        return ::testing::AssertionFailure() << mix.size() << " samples, not " << expected.size();
    for (std::size_t i = 0; i < mix.size(); ++i) {
        if (mix[i] != expected[i])
            return ::testing::AssertionFailure()
                   << "sample " << i << " is " << mix[i] << ", not " << expected[i];
    }
    return ::testing::AssertionSuccess();
}
