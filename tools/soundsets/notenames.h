#pragma once

#include <array>

// The note files of a sound set, in the order the settings store lists them.
extern const std::array<const char *, 22> noteNames;

// The MIDI key of one of those names, such as "keydis2": German names (h is B, "is" a sharp)
// whose octave 1 starts at middle C (60).
int midiKey(const char *noteName);
