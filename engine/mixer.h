#pragma once

#include "midivoices.h"
#include "soundingvoice.h"
#include "spscqueue.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace kevaro {

struct DecodedNote;
class MidiNoteTable;

// How a voice is played beyond its placement: its loudness (a key's velocity) and its pitch as
// a ratio to the recording's (a note played from a neighbour's file).
struct NoteExpression
{
    float gain = 1;
    double pitch = 1;
};

// The engine's own voice mixer. Two sides:
// - the control side (start, stop, pause, ...) runs on whichever thread plays notes, one call
//   at a time (the caller serialises them);
// - the render side (render, renderLate) runs on the output's real-time thread. It takes no
//   lock, allocates nothing and does no I/O: commands reach it through a lock-free queue, and
//   finished voices go back through another, so that the notes they played are freed on the
//   control side.
// Output is interleaved stereo float at `rate`.
class Mixer
{
public:
    static constexpr int rate = SoundingVoice::rate;
    static constexpr int channels = 2;
    static constexpr int voiceCount = 128;

    // A voice as the control side knows it; stale once its slot went to another note.
    struct VoiceRef
    {
        int slot = -1;
        std::uint32_t generation = 0;
        bool valid() const { return slot >= 0; }
    };

    using Expression = NoteExpression;

    Mixer();
    ~Mixer();
    Mixer(const Mixer &) = delete;
    Mixer &operator=(const Mixer &) = delete;

    // Control side. Starts the note placed at (x, y, z) relative to the listener: a mono note
    // is attenuated by distance and panned by direction, a stereo one plays as recorded. held:
    // the caller keeps a handle, so the voice is taken for a newer note only when no other can
    // be. An invalid ref when the command queue is full.
    VoiceRef start(std::shared_ptr<const DecodedNote> note, float x, float y, float z, bool looped,
                   bool paused, bool held, Expression expression = {});
    void pause(VoiceRef voice);
    // Continues a paused voice, starts one opened paused, replays a stopped one.
    void resume(VoiceRef voice);
    void stop(VoiceRef voice);
    // Ends the voice with a fade to -60 dB over that many frames, as a lifted key does.
    void release(VoiceRef voice, std::uint32_t frames);
    // The caller let go of its handle: a voice that no longer sounds is freed.
    void letGo(VoiceRef voice);
    void stopAll();
    bool isSounding(VoiceRef voice);
    // Whether a voice sounds, MIDI ones too.
    bool anySounding();
    // MIDI notes play from this table from now on (nullptr: none do). Each table is freed
    // here once the render side no longer plays from it.
    void setMidiTable(std::shared_ptr<const MidiNoteTable> table);
    // Whether commands wait for the render side; any thread.
    bool commandsWaiting() const { return !commands_.empty(); }

    // Render side. Mixes the next frames of every voice; without takeCommands, of the voices
    // it has, leaving new commands for renderLate().
    void render(float *stereo, std::uint32_t frames, bool takeCommands = true);
    // Mixes only the voices started since the last render into frames already rendered (and
    // queued at the sound server), so that a new note need not wait behind them; after
    // stopAll() those frames become silence first. Those voices go on from there at the next
    // render. Whether the frames changed.
    bool renderLate(float *stereo, std::uint32_t frames);
    // A MIDI message for the next render, due `offset` frames into it: notes start and end
    // there, in the cycle the message came in.
    void playMidi(const MidiMessage &message, std::uint32_t offset);

private:
    enum class Kind : std::uint8_t { Start, Pause, Resume, Stop, Release, StopAll, MidiTable };
    struct Command
    {
        Kind kind = Kind::Stop;
        int slot = 0;
        std::uint32_t generation = 0;
        const DecodedNote *note = nullptr;
        float gainLeft = 0, gainRight = 0;
        double step = 1;
        bool looped = false;
        bool paused = false;
        std::uint32_t releaseFrames = 0;
        const MidiNoteTable *table = nullptr;
    };
    struct Ended
    {
        int slot = 0;
        std::uint32_t generation = 0;
    };
    enum class State : std::uint8_t { Free, Playing, Paused, Stopped };
    // What the control side keeps of a voice.
    struct Slot
    {
        std::uint32_t generation = 0;
        State state = State::Free;
        bool held = false;
        bool released = false;
        // The render side plays it until it says it ended.
        bool rendering = false;
        std::uint64_t startedAt = 0;
        std::shared_ptr<const DecodedNote> note;
        Command start;
    };
    // What the render side keeps of a voice.
    struct Playing
    {
        SoundingVoice sound;
        std::uint32_t generation = 0;
        bool active = false;
        bool paused = false;
        bool fresh = false;
    };
    struct Retired
    {
        int slot;
        std::uint32_t generation;
        std::shared_ptr<const DecodedNote> note;
    };

    static constexpr std::size_t commandCapacity = 1024;
    // Every start ends once; more than can be in flight at once.
    static constexpr std::size_t endedCapacity = 2048;

    // Control side.
    void collectEnded();
    void sendMidiTable();
    int takeSlot();
    bool send(const Command &command);
    Slot *slotOf(VoiceRef voice);

    // Render side.
    void applyCommands();
    void endVoice(int slot);
    void mixVoice(int slot, float *stereo, std::uint32_t frames);

    SpscQueue<Command, commandCapacity> commands_;
    SpscQueue<Ended, endedCapacity> ended_;

    std::array<Slot, voiceCount> slots_;
    std::vector<Retired> retired_;
    std::uint64_t starts_ = 0;
    bool saidFull_ = false;
    // Tables handed to the render side and not finished there; one waiting for room.
    std::vector<std::shared_ptr<const MidiNoteTable>> midiTables_;
    std::shared_ptr<const MidiNoteTable> waitingMidiTable_;
    bool midiTableWaits_ = false;

    std::array<Playing, voiceCount> playing_;
    int activeVoices_ = 0;
    MidiVoices midi_;
    // The render side's count of sounding MIDI voices, for the control side.
    std::atomic<int> midiSounding_{0};
    // A stopAll() taken since the last render.
    bool silenced_ = false;
};

} // namespace kevaro
