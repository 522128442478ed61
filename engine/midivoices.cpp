#include "midivoices.h"

#include "decodednote.h"
#include "midinotetable.h"
#include "voicerank.h"

#include <algorithm>

namespace kevaro {

void MidiVoices::setTable(const MidiNoteTable *table)
{
    const int previous = current_;
    current_ = -1;
    if (table) {
        const auto free = std::find_if(tables_.begin(), tables_.end(),
                                       [](const Table &slot) { return !slot.table; });
        if (free != tables_.end()) {
            *free = {table, 0};
            current_ = int(free - tables_.begin());
        }
    }
    finishIfUnused(previous);
}

void MidiVoices::play(const MidiMessage &message, std::uint32_t offset)
{
    switch (message.kind) {
    case MidiMessage::Kind::NoteOn:
        noteOn(message.number, message.value, offset);
        break;
    case MidiMessage::Kind::NoteOff:
        keyUp(message.number, offset);
        break;
    case MidiMessage::Kind::Sustain:
        sustain_ = message.value;
        if (!sustain_)
            releaseKeysUp(offset);
        break;
    case MidiMessage::Kind::AllNotesOff:
        releaseAll(releaseFrames, offset);
        break;
    case MidiMessage::Kind::AllSoundOff:
        releaseAll(cutFrames, offset);
        break;
    case MidiMessage::Kind::Program:
    case MidiMessage::Kind::Other:
        break;
    }
}

void MidiVoices::noteOn(int key, int velocity, std::uint32_t offset)
{
    if (current_ < 0)
        return;
    const MidiNoteTable::Entry &entry = tables_[std::size_t(current_)].table->forKey(key);
    if (!entry.note)
        return;
    // Struck again, a key's string starts anew: the sound it still had fades.
    for (Voice &voice : voices_) {
        if (voice.active && voice.key == key) {
            voice.keyDown = false;
            if (!voice.sound.isReleased())
                voice.sound.release(releaseFrames, offset);
        }
    }
    Voice &voice = takeVoice();
    if (voice.active)
        endVoice(voice);
    const float level = float(velocity) / 127;
    SoundingVoice sound;
    sound.note = entry.note;
    sound.step = double(entry.note->sampleRate) / SoundingVoice::rate * entry.pitch;
    sound.gainLeft = sound.gainRight = level * level;
    sound.delay = offset;
    voice = {sound, true, true, std::uint8_t(key), ++starts_, current_};
    ++tables_[std::size_t(current_)].users;
    ++sounding_;
}

void MidiVoices::keyUp(int key, std::uint32_t offset)
{
    for (Voice &voice : voices_) {
        if (!voice.active || voice.key != key || !voice.keyDown)
            continue;
        voice.keyDown = false;
        if (!sustain_ && !voice.sound.isReleased())
            voice.sound.release(releaseFrames, offset);
    }
}

void MidiVoices::releaseKeysUp(std::uint32_t offset)
{
    for (Voice &voice : voices_) {
        if (voice.active && !voice.keyDown && !voice.sound.isReleased())
            voice.sound.release(releaseFrames, offset);
    }
}

void MidiVoices::releaseAll(std::uint32_t frames, std::uint32_t offset)
{
    for (Voice &voice : voices_) {
        if (!voice.active)
            continue;
        voice.keyDown = false;
        // A fade under way ends sooner, never later.
        if (!voice.sound.isReleased() || voice.sound.releaseFrames > frames)
            voice.sound.release(frames, offset);
    }
}

void MidiVoices::stopAll()
{
    for (Voice &voice : voices_) {
        if (voice.active)
            endVoice(voice);
    }
}

void MidiVoices::mixInto(float *stereo, std::uint32_t frames)
{
    if (sounding_ == 0)
        return;
    for (Voice &voice : voices_) {
        if (voice.active && !voice.sound.mixInto(stereo, frames))
            endVoice(voice);
    }
}

MidiVoices::Voice &MidiVoices::takeVoice()
{
    Voice *oldest[int(VoiceRank::Count)] = {};
    for (Voice &voice : voices_) {
        if (!voice.active)
            return voice;
        Voice *&candidate =
            oldest[int(voiceRank(false, voice.sound.isReleased(), false, voice.keyDown))];
        if (!candidate || voice.startedAt < candidate->startedAt)
            candidate = &voice;
    }
    for (Voice *candidate : oldest) {
        if (candidate)
            return *candidate;
    }
    return voices_[0];
}

void MidiVoices::endVoice(Voice &voice)
{
    voice.active = false;
    --sounding_;
    --tables_[std::size_t(voice.table)].users;
    finishIfUnused(voice.table);
}

void MidiVoices::finishIfUnused(int table)
{
    if (table < 0 || table == current_)
        return;
    Table &slot = tables_[std::size_t(table)];
    if (!slot.table || slot.users > 0)
        return;
    // Sized for every table in use, so this never fails.
    finished_.push(slot.table);
    slot = {};
}

} // namespace kevaro
