// Engines and voices: reference counts, several engines at once, and more notes than the
// device has sources.
#include "loopbackdevice.h"
#include "notecheck.h"
#include "notefolder.h"

using kevaro::SoundEngine;
using kevaro::Voice;

TEST(Lifetime, VoicesOutliveTheirEngine)
{
    NoteFolder folder;
    const auto tone = testTone(48000, 1);
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);
    Voice *voice = holdNote(engine, folder.writeWav("long.wav", tone), true);
    ASSERT_TRUE(voice);
    voice->addRef();
    voice->release();
    engine->addRef();
    engine->release();
    EXPECT_TRUE(sameSamples(loopback.render(100), mixOf(tone, 100)));

    engine->release();
    EXPECT_FALSE(voice->isPlaying());
    voice->resume();
    voice->pause();
    voice->stop();
    voice->release();
}

TEST(Lifetime, EnginesPlayOnTheirOwnDevices)
{
    NoteFolder folder;
    const auto firstTone = testTone(1000, 2);
    const auto secondTone = testTone(1000, 3);
    const std::string firstPath = folder.writeWav("first.wav", firstTone);
    const std::string secondPath = folder.writeWav("second.wav", secondTone);
    LoopbackDevice firstDevice;
    LoopbackDevice secondDevice;
    SoundEngine *first = firstDevice.openEngine();
    SoundEngine *second = secondDevice.openEngine();
    ASSERT_TRUE(first && second);

    for (int round = 0; round < 3; ++round) {
        playNote(first, firstPath);
        playNote(second, secondPath);
        EXPECT_TRUE(sameSamples(firstDevice.render(1000), mixOf(firstTone, 1000)));
        EXPECT_TRUE(sameSamples(secondDevice.render(1000), mixOf(secondTone, 1000)));
    }
    first->release();
    playNote(second, secondPath);
    EXPECT_TRUE(sameSamples(secondDevice.render(1000), mixOf(secondTone, 1000)));
    second->release();
}

TEST(Lifetime, NotesBeyondTheSourceLimitStillSound)
{
    // OpenAL Soft's default number of sources per device.
    const int deviceSources = 256;
    NoteFolder folder;
    const auto tone = testTone(200, 4);
    const std::string shortPath = folder.writeWav("short.wav", tone);
    const int notes = deviceSources + 44;
    const std::vector<std::int16_t> drone(std::size_t(notes) * tone.size() + 1, 1000);
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);

    // One after another over a long drone: finished notes give their sources back, and the
    // drone, the oldest note, plays on.
    playNote(engine, folder.writeWav("drone.wav", drone));
    std::vector<float> expected = mixOf(tone, tone.size());
    for (float &sample : expected)
        sample += 1000 / 32768.0f;
    for (int note = 1; note <= notes; ++note) {
        playNote(engine, shortPath);
        ASSERT_TRUE(sameSamples(loopback.render(int(tone.size())), expected)) << "note " << note;
    }

    // All at once, every source held: the newest note takes the oldest one's source.
    const std::string silentPath = folder.writeWav("silent.wav", std::vector<std::int16_t>(48000));
    std::vector<Voice *> held;
    for (int note = 0; note < deviceSources; ++note)
        held.push_back(holdNote(engine, silentPath));
    ASSERT_TRUE(held.back());
    EXPECT_TRUE(held.front()->isPlaying());
    playNote(engine, shortPath);
    EXPECT_TRUE(sameSamples(loopback.render(int(tone.size())), mixOf(tone, tone.size())));
    EXPECT_FALSE(held.front()->isPlaying());
    EXPECT_TRUE(held.back()->isPlaying());
    for (Voice *voice : held)
        voice->release();
    engine->release();
}
