#pragma once

#include <cstdint>

namespace kevaro {

// What MIDI in tells the rest of the piano (its screen): a key held or let go, the sustain
// pedal, a sound set chosen by program change.
struct MidiEvent
{
    enum class Kind : std::uint8_t { KeyDown, KeyUp, PedalDown, PedalUp, SetChosen };

    Kind kind = Kind::KeyUp;
    // The key's MIDI number (C1, middle C, is 60); the sound set, 1 to 5.
    int number = 0;
};

} // namespace kevaro
