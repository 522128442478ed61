// What the engine mixes, checked sample by sample on a loopback device.
#include "loopbackdevice.h"
#include "notecheck.h"
#include "notefolder.h"

using kevaro::SoundEngine;
using kevaro::Voice;

TEST(Playback, OverlappingNotesMixAsTheirSum)
{
    NoteFolder folder;
    const auto first = testTone(4800, 1);
    const auto second = testTone(2400, 2);
    const std::string firstPath = folder.writeWav("first.wav", first);
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);

    Voice *held = holdNote(engine, firstPath);
    ASSERT_TRUE(held);
    EXPECT_EQ(engine->playAt(folder.writeWav("second.wav", second).c_str(), 0, 0, 0, false, false,
                             false, kevaro::LoadMode::Automatic, true),
              nullptr);
    std::vector<float> expected = mixOf(first, 6000);
    const std::vector<float> secondMix = mixOf(second, 6000);
    for (std::size_t i = 0; i < expected.size(); ++i)
        expected[i] += secondMix[i];
    // The handle goes mid-note: an unlooped note plays on to its end.
    std::vector<float> mix = loopback.render(2000);
    held->release();
    const std::vector<float> rest = loopback.render(4000);
    mix.insert(mix.end(), rest.begin(), rest.end());
    EXPECT_TRUE(sameSamples(mix, expected));
    engine->release();
}

TEST(Playback, VoicesLoopPauseResumeAndStop)
{
    NoteFolder folder;
    const auto tone = testTone(1000, 3);
    const std::string path = folder.writeWav("note.wav", tone);
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);

    Voice *voice = holdNote(engine, path, false, true);
    ASSERT_TRUE(voice);
    EXPECT_FALSE(voice->isPlaying());
    EXPECT_TRUE(sameSamples(loopback.render(300), silence(300)));
    voice->resume();
    EXPECT_TRUE(sameSamples(loopback.render(400), mixOf(tone, 400)));
    voice->resume(); // already playing: must not start over
    voice->pause();
    EXPECT_TRUE(sameSamples(loopback.render(300), silence(300)));
    voice->resume();
    EXPECT_TRUE(sameSamples(loopback.render(400), mixOf(tone, 400, 400)));
    voice->stop();
    EXPECT_FALSE(voice->isPlaying());
    EXPECT_TRUE(sameSamples(loopback.render(300), silence(300)));
    voice->release();

    // Paused without a handle nothing could start it: no voice, and silence.
    EXPECT_EQ(engine->playAt(path.c_str(), 0, 0, 0, false, true, false, kevaro::LoadMode::Automatic,
                             true),
              nullptr);
    EXPECT_TRUE(sameSamples(loopback.render(300), silence(300)));

    // A looped note goes on after its handle, until the engine goes.
    Voice *looped = holdNote(engine, path, true);
    ASSERT_TRUE(looped);
    EXPECT_TRUE(sameSamples(loopback.render(3500), mixOf(tone, 3500, 0, true)));
    looped->release();
    EXPECT_TRUE(sameSamples(loopback.render(500), mixOf(tone, 500, 3500, true)));
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
        playNote(engine, path, x);
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
