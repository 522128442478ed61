// Note files: what cannot be played gives no voice and no sound, the rest plays as it is on
// disk now, decoded once per process however often and wherever it plays, or ahead of it.
#include "decodednote.h"
#include "loopbackdevice.h"
#include "notecheck.h"
#include "notefolder.h"
#include "notepreloader.h"
#include "samplecache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using kevaro::NotePreloader;
using kevaro::SoundEngine;

static std::uint64_t decodes()
{
    return kevaro::SampleCache::instance().decodeCount();
}

TEST(Files, EachFilePlaysWhatItHolds)
{
    NoteFolder folder;
    const auto tone = testTone(1000, 1);
    std::ifstream in(folder.writeWav("good.wav", tone), std::ios::binary);
    const std::string wav{std::istreambuf_iterator<char>(in), {}};
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);

    for (const std::string &path :
         {folder.pathOf("missing.wav"), folder.writeBytes("garbage.wav", std::string(4096, 'Z')),
          folder.writeBytes("empty.wav", ""), folder.writeBytes("header.wav", wav.substr(0, 44)),
          folder.writeWav("no-frames.wav", {}), folder.pathOf("")})
        EXPECT_EQ(holdNote(engine, path), nullptr) << path;
    EXPECT_EQ(
        engine->playAt(nullptr, 0, 0, 0, false, false, true, kevaro::LoadMode::Automatic, true),
        nullptr);
    EXPECT_TRUE(sameSamples(loopback.render(1000), silence(1000)));

    // A truncated file plays what it has.
    playNote(engine, folder.writeBytes("truncated.wav", wav.substr(0, 44 + 2 * 500)));
    EXPECT_TRUE(sameSamples(loopback.render(600), mixOf({tone.begin(), tone.begin() + 500}, 600)));
    // A note at half the device's rate keeps its pitch: it lasts twice its frames.
    playNote(engine, folder.writeWav("slow.wav", std::vector<std::int16_t>(500, 16000), 1, 24000));
    const std::vector<float> slow = loopback.render(1500);
    EXPECT_NEAR(std::count_if(slow.begin(), slow.end(), [](float v) { return v > 0.25f; }), 1000,
                10);
    engine->release();
}

TEST(Files, MoreThanTwoChannelsAreMixedToStereo)
{
    // 5.1 in WAV order: front left, front right, centre, low frequency, rear left, rear right.
    NoteFolder folder;
    const auto front = testTone(300, 4), centre = testTone(300, 5);
    std::vector<std::int16_t> surround;
    for (std::size_t i = 0; i < front.size(); ++i)
        surround.insert(surround.end(), {front[i], 0, centre[i], 30000, 0, 0});
    const auto note = kevaro::DecodedNote::decodeFile(folder.writeWav("5.1.wav", surround, 6));
    ASSERT_TRUE(note);
    ASSERT_EQ(note->channels, 2);
    ASSERT_EQ(note->samples.size(), 2 * front.size());
    for (std::size_t i = 0; i < front.size(); ++i) {
        EXPECT_NEAR(note->samples[2 * i], front[i] + 0.7071 * centre[i], 1.0) << i;
        EXPECT_NEAR(note->samples[2 * i + 1], 0.7071 * centre[i], 1.0) << i;
    }
}

TEST(Files, NotesAreDecodedOnceForEveryEngine)
{
    NoteFolder folder;
    std::vector<std::string> paths;
    std::vector<std::vector<std::int16_t>> tones;
    for (int note = 0; note < 3; ++note) {
        tones.push_back(testTone(500, note));
        paths.push_back(folder.writeWav(std::to_string(note) + ".wav", tones.back()));
    }
    LoopbackDevice firstDevice, secondDevice;
    SoundEngine *first = firstDevice.openEngine();
    ASSERT_TRUE(first);
    // Preloaded while one engine is open, before the other is.
    const std::uint64_t before = decodes();
    NotePreloader::preload(paths);
    NotePreloader::waitUntilIdle();
    SoundEngine *second = secondDevice.openEngine();
    ASSERT_TRUE(second);
    // Each engine plays its own notes on its own device.
    for (std::size_t press = 0; press < 6; ++press) {
        playNote(first, paths[press % 3]);
        playNote(second, paths[(press + 1) % 3]);
        EXPECT_TRUE(sameSamples(firstDevice.render(500), mixOf(tones[press % 3], 500)));
        EXPECT_TRUE(sameSamples(secondDevice.render(500), mixOf(tones[(press + 1) % 3], 500)));
    }
    EXPECT_EQ(decodes(), before + paths.size());
    first->release();

    // Pressed while the worker may be decoding it: one of them decodes, the other waits.
    const auto tone = testTone(48000 * 4, 9);
    const std::string longPath = folder.writeWav("long.wav", tone);
    NotePreloader::preload({longPath});
    playNote(second, longPath);
    EXPECT_TRUE(sameSamples(secondDevice.render(500), mixOf(tone, 500)));
    NotePreloader::waitUntilIdle();
    EXPECT_EQ(decodes(), before + paths.size() + 1);
    second->release();
}

TEST(Files, NewestPreloadReplacesTheRestOfOlderOnes)
{
    NoteFolder folder;
    // The worker stays on this file until the test closes its writing end.
    const std::string held = folder.pathOf("held.wav");
    ASSERT_EQ(mkfifo(held.c_str(), 0600), 0);
    const std::uint64_t before = decodes();
    NotePreloader::preload({held});
    const int writer = open(held.c_str(), O_WRONLY); // returns once the worker opened it
    ASSERT_GE(writer, 0);
    NotePreloader::preload({folder.writeWav("older.wav", testTone(500, 1))});
    NotePreloader::preload({folder.writeWav("newest.wav", testTone(500, 2))});
    close(writer);
    NotePreloader::waitUntilIdle();
    kevaro::SampleCache::instance().load(folder.pathOf("newest.wav"));
    EXPECT_EQ(decodes(), before + 2);
}

TEST(Files, NoteChangedOnDiskPlaysAsItIsNow)
{
    NoteFolder folder;
    const auto first = testTone(500, 6), second = testTone(500, 7);
    const std::string path = folder.writeWav("note.wav", first);
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);
    playNote(engine, path);
    EXPECT_TRUE(sameSamples(loopback.render(500), mixOf(first, 500)));

    // Rewritten in place, same length, dated back as a copy that keeps its date is; a tick
    // later, as the kernel stamps changes by the tick.
    const auto date = std::filesystem::last_write_time(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    folder.writeWav("note.wav", second);
    std::filesystem::last_write_time(path, date);
    playNote(engine, path);
    EXPECT_TRUE(sameSamples(loopback.render(500), mixOf(second, 500)));

    // Removed: silence, not the copy; copied in again: it plays.
    std::filesystem::remove(path);
    playNote(engine, path);
    EXPECT_TRUE(sameSamples(loopback.render(500), silence(500)));
    folder.writeWav("note.wav", first);
    playNote(engine, path);
    EXPECT_TRUE(sameSamples(loopback.render(500), mixOf(first, 500)));
    engine->release();
}
