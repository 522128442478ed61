#include "midinotetable.h"

#include "decodednote.h"

#include <cmath>
#include <cstdlib>

namespace kevaro {

MidiNoteTable::MidiNoteTable(std::vector<std::pair<int, std::shared_ptr<const DecodedNote>>> files)
    : files_(std::move(files))
{
    for (int key = lowestKey; key <= highestKey; ++key) {
        const std::pair<int, std::shared_ptr<const DecodedNote>> *nearest = nullptr;
        for (const auto &file : files_) {
            if (!file.second)
                continue;
            const int distance = std::abs(key - file.first);
            // Between two equally near, the lower one: played faster, a note loses length
            // rather than gain a drawn-out tail.
            if (!nearest || distance < std::abs(key - nearest->first) ||
                (distance == std::abs(key - nearest->first) && file.first < nearest->first))
                nearest = &file;
        }
        if (nearest)
            entries_[std::size_t(key)] = {nearest->second.get(),
                                          std::pow(2.0, (key - nearest->first) / 12.0)};
    }
}

const MidiNoteTable::Entry &MidiNoteTable::forKey(int key) const
{
    static const Entry none;
    return key >= 0 && key < int(entries_.size()) ? entries_[std::size_t(key)] : none;
}

} // namespace kevaro
