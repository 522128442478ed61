// What the engine mixes, checked sample by sample on a loopback device: a mono note at the
// listener in a mono float mix at its own rate comes out unchanged and without delay.
#include "loopbackdevice.h"
#include "notefolder.h"
#include "soundengine.h"
#include "voice.h"

#include <gtest/gtest.h>

using kevaro::LoadMode;
using kevaro::SoundEngine;
using kevaro::Voice;

namespace {

Voice *playHeld(SoundEngine *engine, const std::string &path, bool looped = false,
                bool startPaused = false)
{
    return engine->playAt(path.c_str(), 0, 0, 0, looped, startPaused, true, LoadMode::Automatic,
                          true);
}

} // namespace

TEST(Playback, OverlappingNotesMixAsTheirSum)
{
    NoteFolder folder;
    const auto first = testTone(4800, 1);
    const auto second = testTone(2400, 2);
    const std::string firstPath = folder.writeWav("first.wav", first);
    const std::string secondPath = folder.writeWav("second.wav", second);
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);

    Voice *held = playHeld(engine, firstPath);
    ASSERT_TRUE(held);
    EXPECT_EQ(
        engine->playAt(secondPath.c_str(), 0, 0, 0, false, false, false, LoadMode::Automatic, true),
        nullptr);
    // The handle goes mid-note: an unlooped note plays on to its end.
    std::vector<float> mix = loopback.render(2000);
    held->release();
    const std::vector<float> rest = loopback.render(4000);
    mix.insert(mix.end(), rest.begin(), rest.end());
    for (std::size_t i = 0; i < mix.size(); ++i) {
        const float expected = (i < first.size() ? mixed(first[i]) : 0.0f) +
                               (i < second.size() ? mixed(second[i]) : 0.0f);
        ASSERT_EQ(mix[i], expected) << "frame " << i;
    }
    engine->release();
}

TEST(Playback, LoopedNoteRepeatsUntilItsHandleGoes)
{
    NoteFolder folder;
    const auto tone = testTone(1000, 3);
    const std::string path = folder.writeWav("loop.wav", tone);
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);

    Voice *voice = playHeld(engine, path, true);
    ASSERT_TRUE(voice);
    const std::vector<float> mix = loopback.render(3500);
    for (std::size_t i = 0; i < mix.size(); ++i)
        ASSERT_EQ(mix[i], mixed(tone[i % tone.size()])) << "frame " << i;
    EXPECT_TRUE(voice->isPlaying());

    // Nothing could stop a looped note nobody holds, so its last handle stops it.
    voice->release();
    for (float sample : loopback.render(1000))
        ASSERT_EQ(sample, 0.0f);
    engine->release();
}

TEST(Playback, PausedVoiceWaitsForResume)
{
    NoteFolder folder;
    const auto tone = testTone(3000, 4);
    const std::string path = folder.writeWav("paused.wav", tone);
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);

    Voice *voice = playHeld(engine, path, false, true);
    ASSERT_TRUE(voice);
    EXPECT_FALSE(voice->isPlaying());
    for (float sample : loopback.render(500))
        ASSERT_EQ(sample, 0.0f);

    voice->resume();
    std::vector<float> mix = loopback.render(1000);
    for (std::size_t i = 0; i < mix.size(); ++i)
        ASSERT_EQ(mix[i], mixed(tone[i])) << "frame " << i;
    voice->resume(); // already playing: must not start over
    voice->pause();
    for (float sample : loopback.render(500))
        ASSERT_EQ(sample, 0.0f);
    voice->resume();
    mix = loopback.render(1000);
    for (std::size_t i = 0; i < mix.size(); ++i)
        ASSERT_EQ(mix[i], mixed(tone[1000 + i])) << "frame " << i;

    voice->stop();
    EXPECT_FALSE(voice->isPlaying());
    for (float sample : loopback.render(500))
        ASSERT_EQ(sample, 0.0f);

    // Paused without a handle nothing could start it: no voice, and silence.
    EXPECT_EQ(engine->playAt(path.c_str(), 0, 0, 0, false, true, false, LoadMode::Automatic, true),
              nullptr);
    for (float sample : loopback.render(500))
        ASSERT_EQ(sample, 0.0f);
    voice->release();
    engine->release();
}

TEST(Playback, OnlyMonoNotesArePlaced)
{
    NoteFolder folder;
    const auto tone = testTone(2000, 5);
    const std::string monoPath = folder.writeWav("mono.wav", tone);
    std::vector<std::int16_t> stereo;
    for (std::int16_t sample : tone) {
        stereo.push_back(sample);
        stereo.push_back(std::int16_t(-sample / 2));
    }
    const std::string stereoPath = folder.writeWav("stereo.wav", stereo, 2);
    LoopbackDevice loopback(ALC_STEREO_SOFT);
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);

    const auto renderAt = [&](const std::string &path, float x) {
        engine->playAt(path.c_str(), x, 0, 0, false, false, false, LoadMode::Automatic, true);
        return loopback.render(int(tone.size()));
    };
    const auto energyOf = [](const std::vector<float> &mix, std::size_t channel) {
        double energy = 0;
        for (std::size_t i = channel; i < mix.size(); i += 2)
            energy += double(mix[i]) * mix[i];
        return energy;
    };

    const std::vector<float> stereoAtListener = renderAt(stereoPath, 0);
    EXPECT_GT(energyOf(stereoAtListener, 0), 0.0);
    EXPECT_EQ(renderAt(stereoPath, 3), stereoAtListener);
    EXPECT_EQ(renderAt(stereoPath, -3), stereoAtListener);

    const std::vector<float> monoRight = renderAt(monoPath, 3);
    EXPECT_GT(energyOf(monoRight, 1), 2 * energyOf(monoRight, 0));
    const std::vector<float> monoLeft = renderAt(monoPath, -3);
    EXPECT_GT(energyOf(monoLeft, 0), 2 * energyOf(monoLeft, 1));
    engine->release();
}
