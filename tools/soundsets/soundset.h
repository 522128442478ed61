#pragma once

#include <array>

// One sound set: a General MIDI instrument and how long its notes are held.
struct SoundSet
{
    const char *name;   // short enough for a sound-set button
    const char *folder; // below the output directory
    int program;        // General MIDI program, counted from 0
    // The key is held this long before its release is recorded. Decaying instruments get
    // time to ring out; sustained ones only as much as a held chord usually lasts.
    double holdSeconds;
};

extern const std::array<SoundSet, 5> soundSets;
