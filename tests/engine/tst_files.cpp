// Note files: what cannot be played gives no voice and no sound, files of more than two
// channels are mixed down, and a file is decoded once per process however often and wherever
// it plays, and again once it changed on disk.
#include "decodednote.h"
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

TEST(Files, MoreThanTwoChannelsAreMixedToStereo)
{
    // 5.1 in WAV order: front left, front right, centre, low frequency, rear left, rear right.
    NoteFolder folder;
    const auto front = testTone(300, 4), centre = testTone(300, 5);
    std::vector<std::int16_t> surround;
    for (std::size_t i = 0; i < front.size(); ++i)
        surround.insert(surround.end(), {front[i], 0, centre[i], 30000, 0, 0});
    const std::string path = folder.writeWav("surround.wav", surround, 6);

    const auto note = kevaro::DecodedNote::decodeFile(path);
    ASSERT_TRUE(note);
    ASSERT_EQ(note->channels, 2);
    ASSERT_EQ(note->samples.size(), 2 * front.size());
    for (std::size_t i = 0; i < front.size(); ++i) {
        EXPECT_NEAR(note->samples[2 * i], front[i] + 0.7071 * centre[i], 1.0) << i;
        EXPECT_NEAR(note->samples[2 * i + 1], 0.7071 * centre[i], 1.0) << i;
    }
}

TEST(Files, NoteChangedOnDiskPlaysAsItIsNow)
{
    NoteFolder folder;
    const auto first = testTone(500, 6), longer = testTone(700, 7), same = testTone(700, 8);
    const std::string path = folder.writeWav("note.wav", first);
    LoopbackDevice firstDevice;
    SoundEngine *engine = firstDevice.openEngine();
    ASSERT_TRUE(engine);
    playNote(engine, path);
    EXPECT_TRUE(sameSamples(firstDevice.render(500), mixOf(first, 500)));

    // Rewritten in place with another length: the next press, same engine.
    folder.writeWav("note.wav", longer);
    playNote(engine, path);
    EXPECT_TRUE(sameSamples(firstDevice.render(700), mixOf(longer, 700)));

    // Same length, and dated back as a copy that keeps its date would be: after Stop.
    const auto date = std::filesystem::last_write_time(path);
    engine->release();
    folder.writeWav("note.wav", same);
    std::filesystem::last_write_time(path, date);
    LoopbackDevice secondDevice;
    engine = secondDevice.openEngine();
    ASSERT_TRUE(engine);
    const std::uint64_t decodes = SampleCache::instance().decodeCount();
    playNote(engine, path);
    EXPECT_TRUE(sameSamples(secondDevice.render(700), mixOf(same, 700)));
    EXPECT_EQ(SampleCache::instance().decodeCount(), decodes + 1);

    // Removed: silence, not the copy; copied in again: it plays.
    std::filesystem::remove(path);
    playNote(engine, path);
    EXPECT_TRUE(sameSamples(secondDevice.render(700), silence(700)));
    folder.writeWav("note.wav", first);
    playNote(engine, path);
    EXPECT_TRUE(sameSamples(secondDevice.render(500), mixOf(first, 500)));
    engine->release();
}
