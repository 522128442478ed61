#pragma once

#include "midimessage.h"
#include "soundingvoice.h"
#include "spscqueue.h"

#include <array>
#include <cstdint>

namespace kevaro {

class MidiNoteTable;

// The notes MIDI in plays, kept on the mixer's render side alone: a note-on starts a voice from
// the note table within the graph cycle it came in, with no other thread in between. The voices
// are a pool of their own (the control side chooses the voices of presses, so the two never
// pick the same one); when all of them sound, a new note takes one in the mixer's order
// (voicerank.h): released keys before keys held down, the one that sounded longest first.
// A table stays while voices play from it; then the control side frees it.
class MidiVoices
{
public:
    static constexpr int voiceCount = 64;
    // The table new notes play from and the older ones notes still sound from, at most.
    static constexpr int tableCount = 8;
    // A let-go key falls to -60 dB in 150 ms: at once to a player, and without a click.
    static constexpr std::uint32_t releaseFrames = SoundingVoice::rate * 150 / 1000;
    // All-sound-off: as fast as a fade goes without a click.
    static constexpr std::uint32_t cutFrames = SoundingVoice::rate * 5 / 1000;

    // Render side. New notes play from this table (nullptr: none play). The control side
    // keeps fewer than tableCount tables in use when it hands over another.
    void setTable(const MidiNoteTable *table);
    // Acts on the message, due `offset` frames into the next mix.
    void play(const MidiMessage &message, std::uint32_t offset);
    // Every MIDI voice ends now (Stop).
    void stopAll();
    void mixInto(float *stereo, std::uint32_t frames);
    int soundingCount() const { return sounding_; }

    // Control side: a table no voice plays from any more, to be freed there.
    bool takeFinishedTable(const MidiNoteTable *&table) { return finished_.pop(table); }

private:
    struct Voice
    {
        SoundingVoice sound;
        bool active = false;
        bool keyDown = false;
        std::uint8_t key = 0;
        std::uint64_t startedAt = 0;
        int table = -1;
    };
    struct Table
    {
        const MidiNoteTable *table = nullptr;
        int users = 0;
    };

    void noteOn(int key, int velocity, std::uint32_t offset);
    void keyUp(int key, std::uint32_t offset);
    // Releases voices not released yet; with pedal, also those the pedal holds.
    void releaseKeysUp(std::uint32_t offset);
    void releaseAll(std::uint32_t frames, std::uint32_t offset);
    Voice &takeVoice();
    void endVoice(Voice &voice);
    void finishIfUnused(int table);

    std::array<Voice, voiceCount> voices_{};
    std::array<Table, tableCount> tables_{};
    int current_ = -1;
    bool sustain_ = false;
    int sounding_ = 0;
    std::uint64_t starts_ = 0;
    SpscQueue<const MidiNoteTable *, 2 * tableCount> finished_;
};

} // namespace kevaro
