#include "mixer.h"

#include "decodednote.h"
#include "midinotetable.h"
#include "voicerank.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace kevaro {

namespace {

struct Gains
{
    float left, right;
};

// A mono note at (x, y, z) from a listener looking along -z: inverse-distance attenuation
// within one unit of the listener kept at full level, and a balance pan that leaves a note in
// front at full level on both sides.
Gains placementGains(float x, float y, float z)
{
    const float distance = std::sqrt(x * x + y * y + z * z);
    if (!(distance > 1e-6f))
        return {1, 1};
    const float level = distance <= 1 ? 1 : 1 / distance;
    const float pan = std::clamp(x / distance, -1.0f, 1.0f);
    return {level * std::min(1.0f, 1 - pan), level * std::min(1.0f, 1 + pan)};
}

} // namespace

Mixer::Mixer()
{
    retired_.reserve(voiceCount);
    midiTables_.reserve(MidiVoices::tableCount);
}

Mixer::~Mixer() = default;

void Mixer::collectEnded()
{
    Ended ended;
    while (ended_.pop(ended)) {
        Slot &slot = slots_[std::size_t(ended.slot)];
        if (slot.generation == ended.generation && slot.rendering) {
            slot.rendering = false;
            slot.state = State::Stopped;
            if (!slot.held) {
                slot.state = State::Free;
                slot.note.reset();
            }
            continue;
        }
        const auto retired = std::find_if(retired_.begin(), retired_.end(), [&](const Retired &r) {
            return r.slot == ended.slot && r.generation == ended.generation;
        });
        if (retired != retired_.end())
            retired_.erase(retired);
    }
    const MidiNoteTable *finished;
    while (midi_.takeFinishedTable(finished)) {
        const auto table = std::find_if(midiTables_.begin(), midiTables_.end(),
                                        [&](const auto &held) { return held.get() == finished; });
        if (table != midiTables_.end())
            midiTables_.erase(table);
    }
    if (midiTableWaits_)
        sendMidiTable();
}

void Mixer::setMidiTable(std::shared_ptr<const MidiNoteTable> table)
{
    waitingMidiTable_ = std::move(table);
    midiTableWaits_ = true;
    collectEnded();
}

void Mixer::sendMidiTable()
{
    // The render side has room for tableCount tables; older notes may still play from all.
    if (midiTables_.size() >= std::size_t(MidiVoices::tableCount))
        return;
    Command command{Kind::MidiTable};
    command.table = waitingMidiTable_.get();
    if (!send(command))
        return;
    if (waitingMidiTable_)
        midiTables_.push_back(std::move(waitingMidiTable_));
    waitingMidiTable_.reset();
    midiTableWaits_ = false;
}

int Mixer::takeSlot()
{
    int oldest[int(VoiceRank::Count)];
    std::fill(std::begin(oldest), std::end(oldest), -1);
    for (int i = 0; i < voiceCount; ++i) {
        const Slot &slot = slots_[std::size_t(i)];
        if (slot.state == State::Free)
            return i;
        const VoiceRank rank = voiceRank(slot.state == State::Stopped && !slot.held, slot.released,
                                         slot.start.looped, slot.held);
        int &candidate = oldest[int(rank)];
        if (candidate < 0 || slot.startedAt < slots_[std::size_t(candidate)].startedAt)
            candidate = i;
    }
    for (int candidate : oldest) {
        if (candidate >= 0)
            return candidate;
    }
    return 0;
}

bool Mixer::send(const Command &command)
{
    if (commands_.push(command))
        return true;
    if (!saidFull_)
        std::fprintf(stderr, "kevaro: the sound output is not taking notes; dropping some\n");
    saidFull_ = true;
    return false;
}

Mixer::Slot *Mixer::slotOf(VoiceRef voice)
{
    if (!voice.valid() || voice.slot >= voiceCount)
        return nullptr;
    Slot &slot = slots_[std::size_t(voice.slot)];
    return slot.generation == voice.generation && slot.state != State::Free ? &slot : nullptr;
}

Mixer::VoiceRef Mixer::start(std::shared_ptr<const DecodedNote> note, float x, float y, float z,
                             bool looped, bool paused, bool held, Expression expression)
{
    collectEnded();
    if (!note || note->samples.empty() || note->channels < 1 || note->channels > 2)
        return {};
    const int index = takeSlot();
    Slot &slot = slots_[std::size_t(index)];
    Command command;
    command.kind = Kind::Start;
    command.slot = index;
    command.generation = slot.generation + 1;
    command.note = note.get();
    const Gains gains = note->channels == 1 ? placementGains(x, y, z) : Gains{1, 1};
    command.gainLeft = gains.left * expression.gain;
    command.gainRight = gains.right * expression.gain;
    command.step = double(note->sampleRate) / rate * expression.pitch;
    command.looped = looped;
    command.paused = paused;
    if (!send(command))
        return {};
    // The voice it replaces keeps its note until the render side let go of it.
    if (slot.rendering)
        retired_.push_back({index, slot.generation, std::move(slot.note)});
    slot.generation = command.generation;
    slot.state = paused ? State::Paused : State::Playing;
    slot.held = held;
    slot.released = false;
    slot.rendering = true;
    slot.startedAt = ++starts_;
    slot.note = std::move(note);
    slot.start = command;
    return {index, slot.generation};
}

void Mixer::pause(VoiceRef voice)
{
    collectEnded();
    Slot *slot = slotOf(voice);
    if (slot && slot->state == State::Playing && send({Kind::Pause, voice.slot, voice.generation}))
        slot->state = State::Paused;
}

void Mixer::resume(VoiceRef voice)
{
    collectEnded();
    Slot *slot = slotOf(voice);
    if (!slot)
        return;
    if (slot->state == State::Paused) {
        if (send({Kind::Resume, voice.slot, voice.generation}))
            slot->state = State::Playing;
    } else if (slot->state == State::Stopped && !slot->rendering) {
        // Played again from its start, in the same slot.
        Command again = slot->start;
        again.paused = false;
        if (send(again)) {
            slot->state = State::Playing;
            slot->released = false;
            slot->rendering = true;
            slot->startedAt = ++starts_;
        }
    }
}

void Mixer::stop(VoiceRef voice)
{
    collectEnded();
    Slot *slot = slotOf(voice);
    if (slot && slot->rendering && send({Kind::Stop, voice.slot, voice.generation}))
        slot->state = State::Stopped;
}

void Mixer::release(VoiceRef voice, std::uint32_t frames)
{
    collectEnded();
    Slot *slot = slotOf(voice);
    if (!slot || !slot->rendering || slot->released)
        return;
    Command command{Kind::Release, voice.slot, voice.generation};
    command.releaseFrames = std::max<std::uint32_t>(frames, 1);
    if (send(command))
        slot->released = true;
}

void Mixer::letGo(VoiceRef voice)
{
    collectEnded();
    Slot *slot = slotOf(voice);
    if (!slot)
        return;
    slot->held = false;
    // A paused note nobody holds could never be started again.
    if (slot->state == State::Paused)
        stop(voice);
    if (!slot->rendering) {
        slot->state = State::Free;
        slot->note.reset();
    }
}

void Mixer::stopAll()
{
    collectEnded();
    if (!send({Kind::StopAll}))
        return;
    for (Slot &slot : slots_) {
        if (slot.state == State::Playing || slot.state == State::Paused)
            slot.state = State::Stopped;
    }
}

bool Mixer::isSounding(VoiceRef voice)
{
    collectEnded();
    const Slot *slot = slotOf(voice);
    return slot && slot->state == State::Playing;
}

bool Mixer::anySounding()
{
    collectEnded();
    return midiSounding_.load(std::memory_order_relaxed) > 0 ||
           std::any_of(slots_.begin(), slots_.end(),
                       [](const Slot &slot) { return slot.state == State::Playing; });
}

void Mixer::endVoice(int slot)
{
    Playing &voice = playing_[std::size_t(slot)];
    if (!voice.active)
        return;
    voice.active = false;
    --activeVoices_;
    // Sized for every start in flight, so this never fails.
    ended_.push({slot, voice.generation});
}

void Mixer::applyCommands()
{
    Command command;
    while (commands_.pop(command)) {
        if (command.kind == Kind::StopAll) {
            for (int slot = 0; slot < voiceCount; ++slot)
                endVoice(slot);
            midi_.stopAll();
            silenced_ = true;
            continue;
        }
        if (command.kind == Kind::MidiTable) {
            midi_.setTable(command.table);
            continue;
        }
        Playing &voice = playing_[std::size_t(command.slot)];
        if (command.kind == Kind::Start) {
            endVoice(command.slot);
            SoundingVoice sound;
            sound.note = command.note;
            sound.step = command.step;
            sound.gainLeft = command.gainLeft;
            sound.gainRight = command.gainRight;
            sound.looped = command.looped;
            voice = {sound, command.generation, true, command.paused, true};
            ++activeVoices_;
            continue;
        }
        if (!voice.active || voice.generation != command.generation)
            continue;
        if (command.kind == Kind::Stop)
            endVoice(command.slot);
        else if (command.kind == Kind::Release)
            voice.sound.release(command.releaseFrames);
        else
            voice.paused = command.kind == Kind::Pause;
    }
}

void Mixer::mixVoice(int slot, float *stereo, std::uint32_t frames)
{
    if (!playing_[std::size_t(slot)].sound.mixInto(stereo, frames))
        endVoice(slot);
}

void Mixer::render(float *stereo, std::uint32_t frames, bool takeCommands)
{
    std::memset(stereo, 0, sizeof(float) * channels * frames);
    if (takeCommands) {
        applyCommands();
        silenced_ = false;
    }
    if (activeVoices_ > 0) {
        for (int slot = 0; slot < voiceCount; ++slot) {
            Playing &voice = playing_[std::size_t(slot)];
            voice.fresh = false;
            if (voice.active && !voice.paused)
                mixVoice(slot, stereo, frames);
        }
    }
    midi_.mixInto(stereo, frames);
    midiSounding_.store(midi_.soundingCount(), std::memory_order_relaxed);
}

void Mixer::playMidi(const MidiMessage &message, std::uint32_t offset)
{
    // A table or a Stop sent before the message counts for it.
    applyCommands();
    midi_.play(message, offset);
    midiSounding_.store(midi_.soundingCount(), std::memory_order_relaxed);
}

bool Mixer::renderLate(float *stereo, std::uint32_t frames)
{
    applyCommands();
    // After Stop, what was queued is silence too.
    bool mixed = silenced_;
    if (silenced_)
        std::memset(stereo, 0, sizeof(float) * channels * frames);
    silenced_ = false;
    for (int slot = 0; slot < voiceCount; ++slot) {
        Playing &voice = playing_[std::size_t(slot)];
        if (voice.fresh && voice.active && !voice.paused) {
            mixVoice(slot, stereo, frames);
            mixed = true;
        }
        voice.fresh = false;
    }
    return mixed;
}

} // namespace kevaro
