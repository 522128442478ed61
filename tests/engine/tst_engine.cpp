// The engine checked sample by sample on loopback devices: how notes mix, end, loop and
// outlive their engine, which files play and how, when they are decoded, and which buffer
// sizes the engine asks OpenAL for.
#include "decodednote.h"
#include "loopbackdevice.h"
#include "notecheck.h"
#include "notefolder.h"
#include "notepreloader.h"
#include "outputlatency.h"
#include "samplecache.h"

#include <thread>

using kevaro::NotePreloader;
using kevaro::OutputLatency;
using kevaro::SoundEngine;
using kevaro::Voice;

TEST(Playback, VoicesStartPausedLoopAndOutliveTheirEngine)
{
    NoteFolder folder;
    const auto tone = testTone(1000, 3);
    const std::string path = folder.writeWav("note.wav", tone);
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);

    // A note opened paused stays silent. A looped note goes on past its end and after its
    // handle, however the references of it and of its engine were counted, until the engine
    // goes.
    Voice *paused = holdNote(engine, path, false, true);
    Voice *looped = holdNote(engine, path, true);
    ASSERT_TRUE(paused && looped);
    looped->addRef();
    looped->release();
    engine->addRef();
    engine->release();
    EXPECT_TRUE(sameSamples(loopback.render(3500), mixOf(tone, 3500, 0, true)));
    looped->release();
    EXPECT_TRUE(sameSamples(loopback.render(500), mixOf(tone, 500, 3500, true)));
    engine->release();
    // Held beyond its engine, a voice does nothing.
    paused->resume();
    EXPECT_FALSE(paused->isPlaying());
    paused->release();
}

TEST(Playback, NotesBeyondTheSourceLimitStillSound)
{
    NoteFolder folder;
    const auto tone = testTone(200, 4);
    const std::string shortPath = folder.writeWav("short.wav", tone);
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);

    // One after another over a long drone, each let go mid-note as at the next press: they
    // mix as their sum, finished notes give their sources back, and the drone, the oldest
    // note, plays on.
    playNote(engine, folder.writeWav("drone.wav", std::vector<std::int16_t>(60001, 1000)));
    std::vector<float> expected = mixOf(tone, tone.size());
    for (float &sample : expected)
        sample += 1000 / 32768.0f;
    for (int note = 1; note <= 300; ++note) {
        Voice *voice = holdNote(engine, shortPath);
        std::vector<float> mix = loopback.render(100);
        voice->release();
        const std::vector<float> rest = loopback.render(100);
        mix.insert(mix.end(), rest.begin(), rest.end());
        ASSERT_TRUE(sameSamples(mix, expected)) << "note " << note;
    }

    // All at once, every source held: the newest note takes the oldest one's source.
    const std::string silentPath = folder.writeWav("silent.wav", std::vector<std::int16_t>(48000));
    std::vector<Voice *> held;
    for (int note = 0; note < 256; ++note) // OpenAL Soft's default sources per device
        held.push_back(holdNote(engine, silentPath));
    ASSERT_TRUE(held.back());
    playNote(engine, shortPath);
    EXPECT_TRUE(sameSamples(loopback.render(200), mixOf(tone, 200)));
    EXPECT_FALSE(held.front()->isPlaying());
    EXPECT_TRUE(held.back()->isPlaying());
    for (Voice *voice : held)
        voice->release();
    engine->release();
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
    EXPECT_TRUE(sameSamples(loopback.render(1000), std::vector<float>(1000)));

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
    ASSERT_TRUE(note && note->channels == 2 && note->samples.size() == 2 * front.size());
    for (std::size_t i = 0; i < front.size(); ++i) {
        EXPECT_NEAR(note->samples[2 * i], front[i] + 0.7071 * centre[i], 1.0) << i;
        EXPECT_NEAR(note->samples[2 * i + 1], 0.7071 * centre[i], 1.0) << i;
    }
}

TEST(Files, NotesAreDecodedOnceForEveryEngine)
{
    NoteFolder folder;
    const auto tone = testTone(500, 1), other = testTone(500, 2);
    const std::string path = folder.writeWav("note.wav", tone);
    const std::string otherPath = folder.writeWav("other.wav", other);
    LoopbackDevice firstDevice, secondDevice;
    SoundEngine *first = firstDevice.openEngine();
    ASSERT_TRUE(first);
    // Preloaded while one engine is open, before the other is; each plays on its own device.
    kevaro::SampleCache &cache = kevaro::SampleCache::instance();
    const std::uint64_t before = cache.decodeCount();
    NotePreloader::preload({path, otherPath});
    NotePreloader::waitUntilIdle();
    SoundEngine *second = secondDevice.openEngine();
    ASSERT_TRUE(second);
    for (int press = 0; press < 3; ++press) {
        playNote(first, path);
        playNote(second, otherPath);
        EXPECT_TRUE(sameSamples(firstDevice.render(500), mixOf(tone, 500)));
        EXPECT_TRUE(sameSamples(secondDevice.render(500), mixOf(other, 500)));
    }
    EXPECT_EQ(cache.decodeCount(), before + 2);
    first->release();

    // Pressed while the worker may be decoding it: one of them decodes, the other waits.
    const auto longTone = testTone(48000 * 4, 9);
    const std::string longPath = folder.writeWav("long.wav", longTone);
    NotePreloader::preload({longPath});
    playNote(second, longPath);
    EXPECT_TRUE(sameSamples(secondDevice.render(500), mixOf(longTone, 500)));
    NotePreloader::waitUntilIdle();
    EXPECT_EQ(cache.decodeCount(), before + 3);
    second->release();
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
    EXPECT_TRUE(sameSamples(loopback.render(500), std::vector<float>(500)));
    folder.writeWav("note.wav", first);
    playNote(engine, path);
    EXPECT_TRUE(sameSamples(loopback.render(500), mixOf(first, 500)));
    engine->release();
}

TEST(OutputLatency, ChoosesPeriodsUnlessTheUserDid)
{
    std::ifstream system("/etc/openal/alsoft.conf");
    for (std::string line; std::getline(system, line);) {
        if (line.find("period") != std::string::npos && line.find('#') == std::string::npos)
            GTEST_SKIP() << "/etc/openal/alsoft.conf sets the buffer sizes of this machine";
    }
    NoteFolder home;
    setenv("HOME", home.pathOf("").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", home.pathOf("system").c_str(), 1);
    for (const char *name : {"XDG_CONFIG_HOME", "ALSOFT_CONF", "KEVARO_AUDIO_PERIOD"})
        unsetenv(name);
    // Short periods need a real-time mixer: as root, or with an RLIMIT_RTPRIO.
    const bool realtime = OutputLatency::mixerCanRunRealtime();
    const int ours = realtime ? 256 : 1024;
    const std::string mixer = realtime ? "rt-prio = 1\n" : "";
    EXPECT_EQ(OutputLatency::chosenPeriodFrames(), ours);
    EXPECT_EQ(OutputLatency::configuration(ours),
              "[general]\nperiod_size = " + std::to_string(ours) + "\nperiods = 3\n" + mixer);

    // Other settings, and buffer sizes commented out, leave the choice to the engine; a user
    // file that sets them, wherever OpenAL reads one, does not.
    home.writeBytes(".alsoftrc", "[general]\n#period_size = 2048\n  # periods=8\nhrtf = false\n");
    EXPECT_EQ(OutputLatency::chosenPeriodFrames(), ours);
    std::filesystem::create_directory(home.pathOf(".config"));
    home.writeBytes(".config/alsoft.conf", "[general]\n  periods=4\n");
    EXPECT_EQ(OutputLatency::chosenPeriodFrames(), 0);
    setenv("XDG_CONFIG_HOME", home.pathOf("elsewhere").c_str(), 1);
    EXPECT_EQ(OutputLatency::chosenPeriodFrames(), ours);
    setenv("ALSOFT_CONF", home.writeBytes("user.conf", "[pulse]\nperiod_size = 2048").c_str(), 1);
    EXPECT_EQ(OutputLatency::chosenPeriodFrames(), 0);

    // KEVARO_AUDIO_PERIOD wins when valid, and the user's other settings still apply.
    setenv("KEVARO_AUDIO_PERIOD", "256", 1);
    EXPECT_EQ(OutputLatency::chosenPeriodFrames(), 256);
    EXPECT_EQ(OutputLatency::configuration(256),
              "[pulse]\nperiod_size = 2048\n[general]\nperiod_size = 256\nperiods = 3\n" + mixer);
    for (const char *invalid : {"abc", "256 frames", "32", "100000", ""}) {
        setenv("KEVARO_AUDIO_PERIOD", invalid, 1);
        EXPECT_EQ(OutputLatency::chosenPeriodFrames(), 0) << invalid;
    }
    // A user who chose the mixer's priority keeps that choice.
    home.writeBytes("user.conf", "[general]\nrt-prio = 0\n");
    EXPECT_EQ(OutputLatency::configuration(256),
              "[general]\nrt-prio = 0\n\n[general]\nperiod_size = 256\nperiods = 3\n");
}
