#pragma once

#include <cstddef>
#include <cstdint>

namespace kevaro {

// A MIDI channel message as the piano understands it, on any channel. Other messages (pitch
// bend, other controllers, system messages) are Other and change nothing.
struct MidiMessage
{
    enum class Kind : std::uint8_t {
        NoteOn,
        NoteOff,
        // Control change 64: value 1 while the pedal is down (64 and above).
        Sustain,
        // Control changes 120 and 123.
        AllSoundOff,
        AllNotesOff,
        Program,
        Other
    };

    Kind kind = Kind::Other;
    // The key of a note; the program's number.
    std::uint8_t number = 0;
    // A note-on's velocity (1 to 127); the pedal's state.
    std::uint8_t value = 0;

    // A note-on of velocity 0 is a note-off.
    static MidiMessage parse(const std::uint8_t *bytes, std::size_t size);
};

} // namespace kevaro
