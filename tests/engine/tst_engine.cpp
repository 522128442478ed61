// The engine checked sample by sample on outputs the test renders: how notes mix, end, loop,
// are placed and outlive their engine, which files play and how, when they are decoded, and
// the mixer driven from a render thread of its own while notes come and go.
#include "decodednote.h"
#include "notecheck.h"
#include "notefolder.h"
#include "outputlatency.h"
#include "renderedoutput.h"
#include "samplecache.h"

#include <atomic>
#include <cmath>
#include <thread>

using kevaro::NoteLoader;
using kevaro::OutputLatency;
using kevaro::SoundEngine;
using kevaro::Voice;

TEST(Playback, VoicesStartPausedLoopAndOutliveTheirEngine)
{
    NoteFolder folder;
    const auto tone = testTone(1000, 3);
    const std::string path = folder.writeWav("note.wav", tone);
    RenderedOutput loopback;
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
    RenderedOutput loopback;
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
    for (int note = 0; note < kevaro::Mixer::voiceCount; ++note)
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
    RenderedOutput loopback;
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
    RenderedOutput firstDevice, secondDevice;
    SoundEngine *first = firstDevice.openEngine();
    ASSERT_TRUE(first);
    // Preloaded while one engine is open, before the other is; each plays on its own device.
    kevaro::SampleCache &cache = kevaro::SampleCache::instance();
    const std::uint64_t before = cache.decodeCount();
    NoteLoader::preload({path, otherPath});
    NoteLoader::waitUntilIdle();
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

    // Pressed twice, the first time before the loader has it: both sound once it has, and the
    // note is decoded once.
    const auto longTone = testTone(48000 * 4, 9);
    const std::string longPath = folder.writeWav("long.wav", longTone);
    EXPECT_EQ(second->playAt(longPath.c_str(), 0, 0, 0, false, false, true,
                             kevaro::LoadMode::Automatic, true),
              nullptr);
    second->playAt(longPath.c_str(), 0, 0, 0, false, false, false, kevaro::LoadMode::Automatic,
                   true);
    NoteLoader::waitUntilIdle();
    std::vector<float> twice = mixOf(longTone, 500);
    for (float &sample : twice)
        sample *= 2;
    EXPECT_TRUE(sameSamples(secondDevice.render(500), twice));
    EXPECT_EQ(cache.decodeCount(), before + 3);
    second->release();
}

TEST(Files, NoteChangedOnDiskPlaysAsItIsNow)
{
    NoteFolder folder;
    const auto first = testTone(500, 6), second = testTone(500, 7);
    const std::string path = folder.writeWav("note.wav", first);
    RenderedOutput loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);
    // Pressed without a preload, as the loader takes in changes by itself.
    const auto press = [&] {
        NoteLoader::waitUntilIdle();
        engine->playAt(path.c_str(), 0, 0, 0, false, false, false, kevaro::LoadMode::Automatic,
                       true);
        NoteLoader::waitUntilIdle();
    };
    press();
    EXPECT_TRUE(sameSamples(loopback.render(500), mixOf(first, 500)));

    // Rewritten in place, same length, dated back as a copy that keeps its date is; a tick
    // later, as the kernel stamps changes by the tick.
    const auto date = std::filesystem::last_write_time(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    folder.writeWav("note.wav", second);
    std::filesystem::last_write_time(path, date);
    press();
    EXPECT_TRUE(sameSamples(loopback.render(500), mixOf(second, 500)));

    // Removed: silence, not the copy; copied in again: it plays.
    std::filesystem::remove(path);
    press();
    EXPECT_TRUE(sameSamples(loopback.render(500), std::vector<float>(500)));
    folder.writeWav("note.wav", first);
    press();
    EXPECT_TRUE(sameSamples(loopback.render(500), mixOf(first, 500)));
    engine->release();
}

TEST(Files, TheCacheIsBounded)
{
    // More notes than it keeps: the ones played longest ago go, the newest stay.
    NoteFolder folder;
    const auto tone = testTone(100, 3);
    std::vector<std::string> paths;
    for (std::size_t i = 0; i <= kevaro::SampleCache::maxNotes; ++i)
        paths.push_back(folder.writeWav("n" + std::to_string(i) + ".wav", tone));
    NoteLoader::preload(paths);
    NoteLoader::waitUntilIdle();
    kevaro::SampleCache &cache = kevaro::SampleCache::instance();
    EXPECT_FALSE(cache.contains(paths.front()));
    EXPECT_TRUE(cache.contains(paths.back()));
}

TEST(Mixer, MonoNotesArePlacedStereoOnesPlayAsRecorded)
{
    NoteFolder folder;
    const std::string mono = folder.writeWav("mono.wav", std::vector<std::int16_t>(100, 16384));
    const std::string stereo =
        folder.writeWav("stereo.wav", std::vector<std::int16_t>{8192, -8192, 8192, -8192}, 2);
    RenderedOutput output(true);
    SoundEngine *engine = output.openEngine();
    ASSERT_TRUE(engine);
    NoteLoader::preload({mono, stereo});
    NoteLoader::waitUntilIdle();
    engine->playAt(mono.c_str(), 0, 0, 0, false, false, false, kevaro::LoadMode::Automatic, true);
    // Two units to the right: half as loud, on the right only.
    engine->playAt(mono.c_str(), 2, 0, 0, false, false, false, kevaro::LoadMode::Automatic, true);
    engine->playAt(stereo.c_str(), 5, 0, 0, false, false, false, kevaro::LoadMode::Automatic, true);
    const std::vector<float> mix = output.render(1);
    EXPECT_FLOAT_EQ(mix[0], 0.5f + 0.25f);
    EXPECT_FLOAT_EQ(mix[1], 0.5f + 0.25f - 0.25f);
    engine->release();
}

TEST(Mixer, RendersOnItsOwnThreadWhileNotesComeAndGo)
{
    // The render side on a thread of its own, as an output's real-time thread calls it, while
    // presses, stops and handles come and go here: the thread sanitizer's case.
    NoteFolder folder;
    const std::string path = folder.writeWav("note.wav", testTone(2000, 4));
    RenderedOutput output(true);
    SoundEngine *engine = output.openEngine();
    ASSERT_TRUE(engine);
    kevaro::Voice *first = holdNote(engine, path, true);
    std::atomic<bool> done{false};
    std::thread render([&] {
        while (!done)
            output.render(256);
    });
    for (int press = 0; press < 2000; ++press) {
        kevaro::Voice *voice = engine->playAt(path.c_str(), float(press % 5), 0, 0, press % 7 == 0,
                                              false, true, kevaro::LoadMode::Automatic, true);
        EXPECT_TRUE(voice);
        if (voice && press % 3 == 0)
            voice->stop();
        if (voice)
            voice->release();
        // As fast as a test can press, faster than any hand: now and then the render side
        // catches up, so the command queue never fills.
        while (press % 64 == 0 && output.mixer().commandsWaiting())
            std::this_thread::yield();
    }
    first->release();
    engine->release();
    done = true;
    render.join();
    // The engine's last release silenced everything, looped notes too.
    output.render(256);
    EXPECT_TRUE(sameSamples(output.render(256), std::vector<float>(512)));
}

namespace {

std::shared_ptr<const kevaro::DecodedNote> constantNote(std::int16_t level, std::size_t frames)
{
    auto note = std::make_shared<kevaro::DecodedNote>();
    note->samples.assign(frames, level);
    note->channels = 1;
    note->sampleRate = kevaro::Mixer::rate;
    return note;
}

std::vector<float> leftOf(kevaro::Mixer &mixer, std::uint32_t frames)
{
    std::vector<float> stereo(2 * frames), left(frames);
    mixer.render(stereo.data(), frames);
    for (std::size_t i = 0; i < frames; ++i)
        left[i] = stereo[2 * i];
    return left;
}

} // namespace

TEST(Mixer, GainPitchAndReleaseShapeAVoice)
{
    kevaro::Mixer mixer;
    const auto note = constantNote(16384, 48000);
    // Half the gain, twice the pitch: half as loud, over in half the frames.
    mixer.start(constantNote(16384, 1000), 0, 0, 0, false, false, false, {0.5f, 2.0});
    const std::vector<float> quick = leftOf(mixer, 600);
    EXPECT_FLOAT_EQ(quick[0], 0.25f);
    EXPECT_EQ(std::count(quick.begin(), quick.end(), 0.25f), 500);

    // Released, a note falls smoothly to -60 dB within the frames asked, then ends.
    const kevaro::Mixer::VoiceRef voice = mixer.start(note, 0, 0, 0, true, false, true);
    leftOf(mixer, 100);
    mixer.release(voice, 4800);
    const std::vector<float> fade = leftOf(mixer, 4800);
    EXPECT_LE(fade.front(), 0.5f);
    EXPECT_TRUE(std::is_sorted(fade.rbegin(), fade.rend())) << "the fade rises somewhere";
    EXPECT_LT(fade.back(), 0.5f * 0.0011f);
    EXPECT_FALSE(mixer.isSounding(voice));
    EXPECT_TRUE(sameSamples(leftOf(mixer, 100), std::vector<float>(100)));
    mixer.letGo(voice);
}

TEST(Mixer, LateMixAddsOnlyNewNotesAndStopSilencesWhatIsQueued)
{
    kevaro::Mixer mixer;
    mixer.start(constantNote(8192, 48000), 0, 0, 0, false, false, false);
    std::vector<float> queued(2 * 100);
    mixer.render(queued.data(), 100);
    // Mixed into frames already queued: only the new note is added, from their first frame,
    // and it goes on from there.
    mixer.start(constantNote(4096, 48000), 0, 0, 0, false, false, false);
    EXPECT_TRUE(mixer.renderLate(queued.data(), 100));
    EXPECT_FLOAT_EQ(queued[0], 0.375f);
    EXPECT_FALSE(mixer.renderLate(queued.data(), 100));
    EXPECT_FLOAT_EQ(leftOf(mixer, 1)[0], 0.375f);
    mixer.stopAll();
    EXPECT_TRUE(mixer.renderLate(queued.data(), 100));
    EXPECT_TRUE(sameSamples(queued, std::vector<float>(200)));
}

TEST(Mixer, TakesTheLongestSoundingVoiceReleasedFirstLoopedLast)
{
    kevaro::Mixer mixer;
    const auto note = constantNote(1, 48000);
    const kevaro::Mixer::VoiceRef looped = mixer.start(note, 0, 0, 0, true, false, true);
    const kevaro::Mixer::VoiceRef held = mixer.start(note, 0, 0, 0, false, false, true);
    std::vector<kevaro::Mixer::VoiceRef> others;
    for (int i = 2; i < kevaro::Mixer::voiceCount; ++i)
        others.push_back(mixer.start(note, 0, 0, 0, false, false, false));
    mixer.release(others.back(), 48000);
    leftOf(mixer, 10);
    // Full, new held notes come: the released one goes first, then the oldest nobody holds,
    // then the held one; the looped one, older than all, stays.
    const auto press = [&] { mixer.start(note, 0, 0, 0, false, false, true); };
    press();
    EXPECT_FALSE(mixer.isSounding(others.back()));
    EXPECT_TRUE(mixer.isSounding(others.front()));
    press();
    EXPECT_FALSE(mixer.isSounding(others.front()));
    for (std::size_t i = 1; i + 1 < others.size(); ++i)
        press();
    EXPECT_TRUE(mixer.isSounding(held));
    press();
    EXPECT_FALSE(mixer.isSounding(held));
    EXPECT_TRUE(mixer.isSounding(looped));
}

TEST(OutputLatency, PeriodsFollowThePriorityUnlessAsked)
{
    unsetenv("KEVARO_AUDIO_PERIOD");
    // Short periods need a real-time render thread: as root, or with an RLIMIT_RTPRIO.
    const int chosen = OutputLatency::chosenPeriodFrames();
    if (OutputLatency::mixerCanRunRealtime())
        EXPECT_EQ(chosen, 256);
    setenv("KEVARO_AUDIO_PERIOD", "512", 1);
    EXPECT_EQ(OutputLatency::chosenPeriodFrames(), 512);
    for (const char *invalid : {"abc", "512 frames", "32", "100000"}) {
        setenv("KEVARO_AUDIO_PERIOD", invalid, 1);
        EXPECT_EQ(OutputLatency::chosenPeriodFrames(), chosen) << invalid;
    }
    unsetenv("KEVARO_AUDIO_PERIOD");
}
