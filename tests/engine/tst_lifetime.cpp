// Engines and voices: reference counts, several engines at once, and more notes than the
// device has sources.
#include "loopbackdevice.h"
#include "notefolder.h"
#include "soundengine.h"
#include "voice.h"

#include <gtest/gtest.h>

using kevaro::LoadMode;
using kevaro::SoundEngine;
using kevaro::Voice;

namespace {

// OpenAL Soft's default number of sources per device.
constexpr int deviceSources = 256;

bool isSilent(const std::vector<float> &mix)
{
    for (float sample : mix) {
        if (sample != 0.0f)
            return false;
    }
    return true;
}

} // namespace

TEST(Lifetime, VoicesOutliveTheirEngine)
{
    NoteFolder folder;
    const auto tone = testTone(48000, 1);
    const std::string path = folder.writeWav("long.wav", tone);
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);

    Voice *voice =
        engine->playAt(path.c_str(), 0, 0, 0, true, false, true, LoadMode::Automatic, true);
    ASSERT_TRUE(voice);
    voice->addRef();
    voice->release();
    EXPECT_TRUE(voice->isPlaying());

    engine->addRef();
    engine->release();
    const std::vector<float> mix = loopback.render(100);
    for (std::size_t i = 0; i < mix.size(); ++i)
        ASSERT_EQ(mix[i], mixed(tone[i]));

    engine->release();
    EXPECT_FALSE(voice->isPlaying());
    voice->resume();
    voice->pause();
    voice->stop();
    EXPECT_FALSE(voice->isPlaying());
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
        first->playAt(firstPath.c_str(), 0, 0, 0, false, false, false, LoadMode::Automatic, true);
        second->playAt(secondPath.c_str(), 0, 0, 0, false, false, false, LoadMode::Automatic, true);
        const std::vector<float> firstMix = firstDevice.render(1000);
        const std::vector<float> secondMix = secondDevice.render(1000);
        for (std::size_t i = 0; i < firstMix.size(); ++i) {
            ASSERT_EQ(firstMix[i], mixed(firstTone[i]));
            ASSERT_EQ(secondMix[i], mixed(secondTone[i]));
        }
    }
    first->release();
    // The second device still works after the first is gone.
    second->playAt(secondPath.c_str(), 0, 0, 0, false, false, false, LoadMode::Automatic, true);
    EXPECT_EQ(secondDevice.render(1)[0], mixed(secondTone[0]));
    second->release();
}

TEST(Lifetime, NotesBeyondTheSourceLimitStillSound)
{
    NoteFolder folder;
    const auto tone = testTone(200, 4);
    const std::string shortPath = folder.writeWav("short.wav", tone);
    const std::string silentPath =
        folder.writeWav("silent.wav", std::vector<std::int16_t>(48000, 0));
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);

    // One after another over a long drone: finished notes give their sources back, and the
    // drone, the oldest note, plays on.
    const int notes = deviceSources + 44;
    const std::int16_t droneLevel = 1000;
    const std::string dronePath = folder.writeWav(
        "drone.wav", std::vector<std::int16_t>(std::size_t(notes) * tone.size() + 1, droneLevel));
    engine->playAt(dronePath.c_str(), 0, 0, 0, false, false, false, LoadMode::Automatic, true);
    for (int note = 1; note <= notes; ++note) {
        engine->playAt(shortPath.c_str(), 0, 0, 0, false, false, false, LoadMode::Automatic, true);
        const std::vector<float> mix = loopback.render(int(tone.size()));
        for (std::size_t i = 0; i < mix.size(); ++i)
            ASSERT_EQ(mix[i], mixed(tone[i]) + mixed(droneLevel))
                << "note " << note << ", frame " << i;
    }
    EXPECT_EQ(loopback.render(1)[0], mixed(droneLevel));

    // All at once, every source held: the newest note takes the oldest one's source.
    std::vector<Voice *> held;
    for (int note = 0; note < deviceSources; ++note)
        held.push_back(engine->playAt(silentPath.c_str(), 0, 0, 0, false, false, true,
                                      LoadMode::Automatic, true));
    ASSERT_TRUE(held.back());
    EXPECT_TRUE(held.front()->isPlaying());
    engine->playAt(shortPath.c_str(), 0, 0, 0, false, false, false, LoadMode::Automatic, true);
    const std::vector<float> mix = loopback.render(int(tone.size()));
    for (std::size_t i = 0; i < mix.size(); ++i)
        ASSERT_EQ(mix[i], mixed(tone[i])) << "frame " << i;
    EXPECT_FALSE(held.front()->isPlaying());
    EXPECT_TRUE(held.back()->isPlaying());
    for (Voice *voice : held)
        voice->release();

    // Released voices play on; further notes sound over them.
    engine->playAt(shortPath.c_str(), 0, 0, 0, false, false, false, LoadMode::Automatic, true);
    EXPECT_FALSE(isSilent(loopback.render(int(tone.size()))));
    engine->release();
}
