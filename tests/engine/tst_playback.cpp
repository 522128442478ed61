// What the engine mixes, checked sample by sample on loopback devices.
#include "loopbackdevice.h"
#include "notecheck.h"
#include "notefolder.h"

using kevaro::SoundEngine;
using kevaro::Voice;

TEST(Playback, VoicesMixPauseLoopAndOutliveTheirEngine)
{
    NoteFolder folder;
    const auto tone = testTone(1000, 3), other = testTone(2400, 4);
    const std::string path = folder.writeWav("note.wav", tone);
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);

    // Overlapping notes mix as their sum; one let go mid-note plays on to its end, no further.
    Voice *held = holdNote(engine, folder.writeWav("other.wav", other));
    ASSERT_TRUE(held);
    playNote(engine, path);
    std::vector<float> both = mixOf(other, 1000);
    const std::vector<float> toneMix = mixOf(tone, 1000);
    for (std::size_t i = 0; i < both.size(); ++i)
        both[i] += toneMix[i];
    EXPECT_TRUE(sameSamples(loopback.render(1000), both));
    held->release();
    EXPECT_TRUE(sameSamples(loopback.render(2000), mixOf(other, 2000, 1000)));

    Voice *voice = holdNote(engine, path, false, true);
    ASSERT_TRUE(voice);
    EXPECT_TRUE(sameSamples(loopback.render(300), silence(300)));
    voice->resume();
    EXPECT_TRUE(sameSamples(loopback.render(400), mixOf(tone, 400)));
    voice->resume(); // already playing: must not start over
    voice->pause();
    EXPECT_TRUE(sameSamples(loopback.render(300), silence(300)));
    voice->resume();
    EXPECT_TRUE(sameSamples(loopback.render(400), mixOf(tone, 400, 400)));
    voice->stop();

    // A looped note goes on past its end and after its handle, however the references of it
    // and of its engine were counted, until the engine goes.
    Voice *looped = holdNote(engine, path, true);
    ASSERT_TRUE(looped);
    looped->addRef();
    looped->release();
    engine->addRef();
    engine->release();
    EXPECT_TRUE(sameSamples(loopback.render(3500), mixOf(tone, 3500, 0, true)));
    looped->release();
    EXPECT_TRUE(sameSamples(loopback.render(500), mixOf(tone, 500, 3500, true)));
    engine->release();
    // A voice held beyond its engine does nothing.
    voice->resume();
    EXPECT_FALSE(voice->isPlaying());
    voice->release();
}

TEST(Playback, NotesBeyondTheSourceLimitStillSound)
{
    const int deviceSources = 256; // OpenAL Soft's default per device
    NoteFolder folder;
    const auto tone = testTone(200, 4);
    const std::string shortPath = folder.writeWav("short.wav", tone);
    const int notes = deviceSources + 44;
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);

    // One after another over a long drone, each let go at the next press as the piano does:
    // finished notes give their sources back, and the drone, the oldest note, plays on.
    Voice *last =
        holdNote(engine, folder.writeWav("drone.wav", std::vector<std::int16_t>(60001, 1000)));
    std::vector<float> expected = mixOf(tone, tone.size());
    for (float &sample : expected)
        sample += 1000 / 32768.0f;
    for (int note = 1; note <= notes; ++note) {
        Voice *next = holdNote(engine, shortPath);
        last->release();
        last = next;
        ASSERT_TRUE(sameSamples(loopback.render(200), expected)) << "note " << note;
    }
    last->release();

    // All at once, every source held: the newest note takes the oldest one's source.
    const std::string silentPath = folder.writeWav("silent.wav", std::vector<std::int16_t>(48000));
    std::vector<Voice *> held;
    for (int note = 0; note < deviceSources; ++note)
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
