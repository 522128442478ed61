#pragma once

#include <array>
#include <memory>
#include <utility>
#include <vector>

namespace kevaro {

struct DecodedNote;

// What MIDI in plays for each key of a piano's 88 (MIDI 21 to 108): the sound set's note file
// nearest in pitch, and the ratio it plays at to sound at the key's own pitch. Built on the
// control side from decoded notes, which it keeps; the render side only reads it.
class MidiNoteTable
{
public:
    static constexpr int lowestKey = 21;
    static constexpr int highestKey = 108;

    struct Entry
    {
        const DecodedNote *note = nullptr;
        double pitch = 1;
    };

    // files: the set's decoded note files by the MIDI key each was recorded at; missing ones
    // are left out.
    explicit MidiNoteTable(std::vector<std::pair<int, std::shared_ptr<const DecodedNote>>> files);

    // The note the key plays; no note outside the 88 keys, or when the set has no file.
    const Entry &forKey(int key) const;

private:
    std::array<Entry, 128> entries_{};
    std::vector<std::pair<int, std::shared_ptr<const DecodedNote>>> files_;
};

} // namespace kevaro
