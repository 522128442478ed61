#include "midimessage.h"

namespace kevaro {

MidiMessage MidiMessage::parse(const std::uint8_t *bytes, std::size_t size)
{
    MidiMessage message;
    if (size < 2 || (bytes[1] & 0x80))
        return message;
    const std::uint8_t status = bytes[0] & 0xf0;
    const std::uint8_t data = bytes[1];
    if (status == 0xc0)
        return {Kind::Program, data, 0};
    if (size < 3 || (bytes[2] & 0x80))
        return message;
    const std::uint8_t value = bytes[2];
    switch (status) {
    case 0x90:
        return {value > 0 ? Kind::NoteOn : Kind::NoteOff, data, value};
    case 0x80:
        return {Kind::NoteOff, data, 0};
    case 0xb0:
        if (data == 64)
            return {Kind::Sustain, 0, std::uint8_t(value >= 64)};
        if (data == 120)
            return {Kind::AllSoundOff, 0, 0};
        if (data == 123)
            return {Kind::AllNotesOff, 0, 0};
        return message;
    default:
        return message;
    }
}

} // namespace kevaro
