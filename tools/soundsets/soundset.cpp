#include "soundset.h"

const std::array<SoundSet, 5> soundSets = {{
    {"Grand", "grand", 0, 3.0},
    {"E-Piano", "epiano", 4, 2.5},
    {"Organ", "organ", 19, 2.0},
    {"Harpsi", "harpsichord", 6, 2.0},
    {"Strings", "strings", 48, 2.0},
}};
