// Note files: what cannot be played gives no voice and no sound, and a file is decoded
// once per process however often and wherever it plays.
#include "loopbackdevice.h"
#include "notefolder.h"
#include "samplecache.h"
#include "soundengine.h"
#include "voice.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using kevaro::LoadMode;
using kevaro::SampleCache;
using kevaro::SoundEngine;
using kevaro::Voice;

namespace {

Voice *playHeld(SoundEngine *engine, const char *path)
{
    return engine->playAt(path, 0, 0, 0, false, false, true, LoadMode::Automatic, true);
}

} // namespace

TEST(Files, UnplayableFilesGiveNoVoice)
{
    NoteFolder folder;
    const auto tone = testTone(1000, 1);
    const std::string good = folder.writeWav("good.wav", tone);
    std::string wav;
    {
        std::ifstream in(good, std::ios::binary);
        wav.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::vector<std::string> unplayable = {
        folder.pathOf("missing.wav"),
        folder.writeBytes("garbage.wav", std::string(4096, '\x5a')),
        folder.writeBytes("zero-bytes.wav", ""),
        folder.writeBytes("header-only.wav", wav.substr(0, 44)),
        folder.writeWav("no-frames.wav", {}),
        folder.writeWav("three-channels.wav", testTone(300, 2), 3),
        folder.pathOf(""), // the folder itself
    };
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);

    for (const std::string &path : unplayable)
        EXPECT_EQ(playHeld(engine, path.c_str()), nullptr) << path;
    EXPECT_EQ(playHeld(engine, nullptr), nullptr);
    for (float sample : loopback.render(1000))
        ASSERT_EQ(sample, 0.0f);

    // A truncated file plays what it has.
    Voice *truncated =
        playHeld(engine, folder.writeBytes("truncated.wav", wav.substr(0, 44 + 2 * 500)).c_str());
    ASSERT_TRUE(truncated);
    std::vector<float> mix = loopback.render(600);
    for (std::size_t i = 0; i < mix.size(); ++i)
        ASSERT_EQ(mix[i], i < 500 ? mixed(tone[i]) : 0.0f) << "frame " << i;
    truncated->release();

    // A missing note copied in later plays.
    std::filesystem::copy_file(good, unplayable.front());
    Voice *late = playHeld(engine, unplayable.front().c_str());
    ASSERT_TRUE(late);
    mix = loopback.render(1000);
    for (std::size_t i = 0; i < mix.size(); ++i)
        ASSERT_EQ(mix[i], mixed(tone[i])) << "frame " << i;
    late->release();
    engine->release();
}

TEST(Files, NoteIsDecodedOncePerProcess)
{
    NoteFolder folder;
    const std::string path = folder.writeWav("note.wav", testTone(500, 3));
    LoopbackDevice firstDevice;
    LoopbackDevice secondDevice;
    SoundEngine *first = firstDevice.openEngine();
    SoundEngine *second = secondDevice.openEngine();
    ASSERT_TRUE(first && second);

    const std::uint64_t decodesBefore = SampleCache::instance().decodeCount();
    for (int press = 0; press < 5; ++press) {
        first->playAt(path.c_str(), 0, 0, 0, false, false, false, LoadMode::Automatic, true);
        second->playAt(path.c_str(), 0, 0, 0, false, false, false, LoadMode::Automatic, true);
        EXPECT_NE(firstDevice.render(1)[0], 0.0f);
        EXPECT_NE(secondDevice.render(1)[0], 0.0f);
    }
    EXPECT_EQ(SampleCache::instance().decodeCount(), decodesBefore + 1);
    first->release();
    second->release();
}
