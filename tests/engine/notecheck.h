#pragma once

// Shorthands for the engine tests: pressing notes and comparing mixes sample by sample.
#include "noteloader.h"
#include "soundengine.h"
#include "voice.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

// Presses the note once the loader has it, as a press after the set's preload does.
inline kevaro::Voice *holdNote(kevaro::SoundEngine *engine, const std::string &path,
                               bool looped = false, bool paused = false, bool hold = true)
{
    kevaro::NoteLoader::preload({path});
    kevaro::NoteLoader::waitUntilIdle();
    return engine->playAt(path.c_str(), 0, 0, 0, looped, paused, hold, kevaro::LoadMode::Automatic,
                          true);
}

inline void playNote(kevaro::SoundEngine *engine, const std::string &path)
{
    holdNote(engine, path, false, false, false);
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

inline ::testing::AssertionResult sameSamples(const std::vector<float> &mix,
                                              const std::vector<float> &expected)
{
    if (mix.size() != expected.size())
        return ::testing::AssertionFailure() << mix.size() << " samples, not " << expected.size();
    const std::size_t at =
        std::mismatch(mix.begin(), mix.end(), expected.begin()).first - mix.begin();
    if (at == mix.size())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "sample " << at << " is " << mix[at] << ", not " << expected[at];
}
