// Note files: what cannot be played gives no voice and no sound, and a file is decoded
// once per process however often and wherever it plays.
#include "loopbackdevice.h"
#include "notecheck.h"
#include "notefolder.h"
#include "samplecache.h"

#include <filesystem>
#include <fstream>
#include <iterator>

using kevaro::SampleCache;
using kevaro::SoundEngine;

TEST(Files, UnplayableFilesGiveNoVoice)
{
    NoteFolder folder;
    const auto tone = testTone(1000, 1);
    const std::string good = folder.writeWav("good.wav", tone);
    std::ifstream in(good, std::ios::binary);
    const std::string wav{std::istreambuf_iterator<char>(in), {}};
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
        EXPECT_EQ(holdNote(engine, path), nullptr) << path;
    EXPECT_EQ(
        engine->playAt(nullptr, 0, 0, 0, false, false, true, kevaro::LoadMode::Automatic, true),
        nullptr);
    EXPECT_TRUE(sameSamples(loopback.render(1000), silence(1000)));

    // A truncated file plays what it has.
    playNote(engine, folder.writeBytes("truncated.wav", wav.substr(0, 44 + 2 * 500)));
    const std::vector<std::int16_t> head(tone.begin(), tone.begin() + 500);
    EXPECT_TRUE(sameSamples(loopback.render(600), mixOf(head, 600)));
    // A missing note copied in later plays.
    std::filesystem::copy_file(good, unplayable.front());
    playNote(engine, unplayable.front());
    EXPECT_TRUE(sameSamples(loopback.render(1000), mixOf(tone, 1000)));
    engine->release();
}

TEST(Files, NoteIsDecodedOncePerProcess)
{
    NoteFolder folder;
    const auto tone = testTone(500, 3);
    const std::string path = folder.writeWav("note.wav", tone);
    LoopbackDevice firstDevice;
    LoopbackDevice secondDevice;
    SoundEngine *first = firstDevice.openEngine();
    SoundEngine *second = secondDevice.openEngine();
    ASSERT_TRUE(first && second);

    const std::uint64_t decodesBefore = SampleCache::instance().decodeCount();
    for (int press = 0; press < 5; ++press) {
        playNote(first, path);
        playNote(second, path);
        EXPECT_TRUE(sameSamples(firstDevice.render(500), mixOf(tone, 500)));
        EXPECT_TRUE(sameSamples(secondDevice.render(500), mixOf(tone, 500)));
    }
    EXPECT_EQ(SampleCache::instance().decodeCount(), decodesBefore + 1);
    first->release();
    second->release();
}
