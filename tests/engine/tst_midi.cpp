// MIDI in on the mixer's render side, sample by sample: which file and pitch each of the 88 keys
// plays, notes starting and ending where their messages lie in the cycle, the sustain pedal,
// which voice a note takes when all sound, and the note tables' lifetime.
#include "decodednote.h"
#include "midimessage.h"
#include "midinotetable.h"
#include "mixer.h"
#include "notecheck.h"

#include <atomic>
#include <cmath>
#include <initializer_list>
#include <thread>

using kevaro::MidiNoteTable;
using kevaro::MidiVoices;
using kevaro::Mixer;

namespace {

using Files = std::vector<std::pair<int, std::shared_ptr<const kevaro::DecodedNote>>>;

std::shared_ptr<const kevaro::DecodedNote> steadyNote(std::int16_t level, std::size_t frames)
{
    auto note = std::make_shared<kevaro::DecodedNote>();
    note->samples.assign(frames, level);
    note->channels = 1;
    note->sampleRate = Mixer::rate;
    return note;
}

// A set's files as the piano names them: keyc0 (48) and keyg0 to keydis2 (55 to 75).
Files pianoSet(std::size_t frames = 48000)
{
    Files files{{48, steadyNote(16384, frames)}};
    for (int key = 55; key <= 75; ++key)
        files.emplace_back(key, steadyNote(16384, frames));
    return files;
}

void midi(Mixer &mixer, std::initializer_list<std::uint8_t> bytes, std::uint32_t offset = 0)
{
    const std::vector<std::uint8_t> message(bytes);
    mixer.playMidi(kevaro::MidiMessage::parse(message.data(), message.size()), offset);
}

std::vector<float> left(Mixer &mixer, std::uint32_t frames)
{
    std::vector<float> stereo(2 * frames), mono(frames);
    mixer.render(stereo.data(), frames);
    for (std::size_t i = 0; i < frames; ++i)
        mono[i] = stereo[2 * i];
    return mono;
}

// Frames until the mix falls below -60 dB of `from` and stays there.
std::size_t framesToSilence(const std::vector<float> &mix, float from)
{
    std::size_t last = 0;
    for (std::size_t i = 0; i < mix.size(); ++i) {
        if (std::fabs(mix[i]) >= from * 0.001f)
            last = i + 1;
    }
    return last;
}

} // namespace

TEST(MidiNotes, EveryPianoKeyPlaysTheNearestFileAtItsPitch)
{
    Files files = pianoSet();
    // A set without D1 (62): its neighbours stand in, the lower one on a tie.
    files.erase(std::find_if(files.begin(), files.end(), [](auto &f) { return f.first == 62; }));
    const auto fileOf = [&](int key) {
        return std::find_if(files.begin(), files.end(), [&](auto &f) { return f.first == key; })
            ->second.get();
    };
    const MidiNoteTable table(files);
    struct Case
    {
        int key, file, semitones;
    };
    for (const Case &c : {Case{21, 48, -27},
                          {47, 48, -1},
                          {51, 48, 3},
                          {52, 55, -3},
                          {60, 60, 0},
                          {62, 61, 1},
                          {76, 75, 1},
                          {108, 75, 33}}) {
        EXPECT_EQ(table.forKey(c.key).note, fileOf(c.file)) << c.key;
        EXPECT_NEAR(table.forKey(c.key).pitch, std::pow(2.0, c.semitones / 12.0), 1e-12) << c.key;
    }
    for (int key = 0; key < 128; ++key) {
        const bool onThePiano = key >= 21 && key <= 108;
        EXPECT_EQ(table.forKey(key).note != nullptr, onThePiano) << key;
    }
    EXPECT_EQ(MidiNoteTable({}).forKey(60).note, nullptr);
}

TEST(MidiNotes, NotesSoundFromTheirPlaceInTheCycleAtTheirVelocityAndPitch)
{
    Mixer mixer;
    mixer.setMidiTable(std::make_shared<MidiNoteTable>(pianoSet(1000)));
    // Full velocity from frame 100 on; velocity 30 is (30/127)^2 as loud.
    midi(mixer, {0x90, 60, 127}, 100);
    std::vector<float> mix = left(mixer, 256);
    EXPECT_TRUE(sameSamples({mix.begin(), mix.begin() + 100}, std::vector<float>(100)));
    EXPECT_FLOAT_EQ(mix[100], 0.5f);
    midi(mixer, {0xb0, 120, 0});
    left(mixer, MidiVoices::cutFrames);
    midi(mixer, {0x99, 61, 30}); // any channel
    EXPECT_NEAR(left(mixer, 1)[0], 0.5f * (30.0f / 127) * (30.0f / 127), 1e-6);
    midi(mixer, {0xb0, 120, 0});
    left(mixer, MidiVoices::cutFrames);
    // An octave above its file (D#2, 75), a note plays its 1000 frames in 500.
    midi(mixer, {0x90, 87, 127});
    mix = left(mixer, 600);
    EXPECT_EQ(std::count(mix.begin(), mix.end(), 0.5f), 500);
    EXPECT_FALSE(mixer.anySounding());
}

TEST(MidiNotes, ANoteOffFadesWithinItsReleaseUnlessThePedalHoldsIt)
{
    Mixer mixer;
    mixer.setMidiTable(std::make_shared<MidiNoteTable>(pianoSet()));
    const auto releasedAt = [&](std::uint32_t offset) {
        std::vector<float> mix = left(mixer, 2 * MidiVoices::releaseFrames);
        return std::make_pair(framesToSilence(mix, 0.5f),
                              std::is_sorted(mix.begin() + offset, mix.end(), std::greater<>()));
    };

    // Note-off, or note-on at velocity 0, at frame 64: a smooth fall to -60 dB within the
    // release, and the note ends.
    for (std::uint8_t velocity : {0, 64}) {
        midi(mixer, {0x90, 60, 100});
        left(mixer, 256);
        midi(mixer, {std::uint8_t(velocity ? 0x80 : 0x90), 60, 0}, 64);
        const auto [silentAfter, falls] = releasedAt(64);
        EXPECT_LE(silentAfter, 64 + MidiVoices::releaseFrames);
        EXPECT_TRUE(falls) << "the release rises somewhere";
        EXPECT_FALSE(mixer.anySounding());
    }

    // Pedal down (64 and above): let-go notes ring on; up, they fade, but a key still held
    // does not.
    midi(mixer, {0xb0, 64, 64});
    midi(mixer, {0x90, 60, 127});
    midi(mixer, {0x90, 62, 127});
    midi(mixer, {0x80, 60, 0}, 10);
    EXPECT_FLOAT_EQ(left(mixer, 10000).back(), 1.0f);
    midi(mixer, {0xb0, 64, 63}, 32);
    const std::vector<float> up = left(mixer, 32 + MidiVoices::releaseFrames + 2);
    EXPECT_NEAR(up.back(), 0.5f, 0.5f * 0.001f);
    midi(mixer, {0x80, 62, 0});

    // All-notes-off silences what the pedal holds too; all-sound-off within a few ms; Stop
    // at once.
    midi(mixer, {0xb0, 64, 127});
    midi(mixer, {0xb0, 123, 0});
    EXPECT_LE(framesToSilence(left(mixer, 2 * MidiVoices::releaseFrames), 0.5f),
              MidiVoices::releaseFrames);
    midi(mixer, {0x90, 60, 127});
    midi(mixer, {0xb0, 120, 0});
    EXPECT_LE(framesToSilence(left(mixer, 1000), 0.5f), MidiVoices::cutFrames);
    midi(mixer, {0x90, 60, 127});
    mixer.stopAll();
    EXPECT_TRUE(sameSamples(left(mixer, 100), std::vector<float>(100)));
}

TEST(MidiNotes, AFullPoolGivesUpReleasedVoicesBeforeHeldOnesOldestFirst)
{
    // Every key its own file, as loud as its number: the mix tells which keys sound.
    Files files;
    for (int key = 21; key <= 108; ++key)
        files.emplace_back(key, steadyNote(std::int16_t(key), 48000));
    Mixer mixer;
    mixer.setMidiTable(std::make_shared<MidiNoteTable>(files));
    const auto sum = [&] { return std::lround(left(mixer, 1)[0] * 32768); };
    int all = 0;
    for (int key = 21; key < 21 + MidiVoices::voiceCount; ++key) {
        midi(mixer, {0x90, std::uint8_t(key), 127});
        all += key;
    }
    // Every voice sounds: 23 fading, 21 and 22 let go (the pedal holds them), the rest held.
    midi(mixer, {0x80, 23, 0});
    midi(mixer, {0xb0, 64, 127});
    midi(mixer, {0x80, 22, 0});
    midi(mixer, {0x80, 21, 0});
    ASSERT_EQ(sum(), all);
    midi(mixer, {0x90, 100, 127});
    EXPECT_EQ(sum(), all + 100 - 23) << "not the fading voice";
    midi(mixer, {0x90, 101, 127});
    EXPECT_EQ(sum(), all + 100 - 23 + 101 - 21) << "not the oldest let-go voice";
    midi(mixer, {0x90, 102, 127});
    midi(mixer, {0x90, 103, 127});
    EXPECT_EQ(sum(), all + 100 + 101 + 102 + 103 - 23 - 21 - 22 - 24) << "not the oldest held one";
}

TEST(MidiNotes, ATableIsFreedHereOnceTheRenderSideIsDoneWithIt)
{
    Mixer mixer;
    auto first = std::make_shared<MidiNoteTable>(pianoSet());
    const std::weak_ptr<MidiNoteTable> firstGone = first;
    mixer.setMidiTable(std::move(first));
    midi(mixer, {0x90, 60, 127});
    // A new set while the note sounds: it plays on from the old table, new notes from the new.
    Files quieter{{60, steadyNote(8192, 48000)}};
    mixer.setMidiTable(std::make_shared<MidiNoteTable>(quieter));
    midi(mixer, {0x90, 64, 127});
    EXPECT_FLOAT_EQ(left(mixer, 100)[0], 0.25f + 0.5f);
    EXPECT_FALSE(mixer.anySounding() && firstGone.expired());
    midi(mixer, {0xb0, 120, 0});
    left(mixer, 1000);
    EXPECT_FALSE(mixer.anySounding());
    EXPECT_TRUE(firstGone.expired());

    // More sets than the render side keeps at once, each with a note ringing: the newest
    // still arrives once older notes end, and all are freed.
    std::vector<std::weak_ptr<MidiNoteTable>> tables;
    for (int set = 1; set <= 3 * MidiVoices::tableCount; ++set) {
        auto table =
            std::make_shared<MidiNoteTable>(Files{{60, steadyNote(std::int16_t(set), 480)}});
        tables.push_back(table);
        mixer.setMidiTable(std::move(table));
        midi(mixer, {0x90, 60, 127});
    }
    left(mixer, 1000);
    mixer.anySounding();
    midi(mixer, {0x90, 60, 127});
    EXPECT_EQ(std::lround(left(mixer, 1)[0] * 32768), 3 * MidiVoices::tableCount);
    mixer.setMidiTable(nullptr);
    left(mixer, 1000);
    mixer.anySounding();
    for (const auto &table : tables)
        EXPECT_TRUE(table.expired());
}

TEST(MidiNotes, SetsChangeWhileTheRenderThreadPlays)
{
    // Tables handed over here while a render thread plays notes from them: the thread
    // sanitizer's case, and every table freed here at the end.
    Mixer mixer;
    std::atomic<bool> done{false};
    std::thread render([&] {
        std::vector<float> stereo(2 * 256);
        for (std::uint8_t key = 21; !done; key = key == 108 ? 21 : key + 1) {
            midi(mixer, {0x90, key, 100}, 10);
            midi(mixer, {0x80, std::uint8_t(key == 21 ? 108 : key - 1), 0}, 200);
            mixer.render(stereo.data(), 256);
        }
        midi(mixer, {0xb0, 120, 0});
        for (int cycle = 0; cycle < 10; ++cycle)
            mixer.render(stereo.data(), 256);
    });
    std::vector<std::weak_ptr<MidiNoteTable>> tables;
    for (int set = 0; set < 500; ++set) {
        auto table = std::make_shared<MidiNoteTable>(pianoSet(4800));
        tables.push_back(table);
        mixer.setMidiTable(std::move(table));
        std::this_thread::yield();
    }
    mixer.setMidiTable(nullptr);
    done = true;
    render.join();
    // The last hand-over may have waited for room.
    mixer.anySounding();
    left(mixer, 1);
    mixer.anySounding();
    EXPECT_TRUE(std::all_of(tables.begin(), tables.end(), [](auto &t) { return t.expired(); }));
}
