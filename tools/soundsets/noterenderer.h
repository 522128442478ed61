#pragma once

#include <fluidsynth/types.h>

#include <string>
#include <vector>

// Plays single notes of a SoundFont offline and records them in mono.
class NoteRenderer
{
public:
    NoteRenderer(const std::string &soundFont, int sampleRate);
    ~NoteRenderer();
    NoteRenderer(const NoteRenderer &) = delete;
    NoteRenderer &operator=(const NoteRenderer &) = delete;

    // False when the SoundFont could not be loaded.
    bool isReady() const { return fontId_ >= 0; }

    // Holds the key for holdSeconds, releases it and records until the release has died
    // away. The recording starts at the note's onset and ends once it has fallen 60 dB
    // below its peak; empty when the program does not exist.
    std::vector<float> render(int program, int key, double holdSeconds);

private:
    void record(std::vector<float> &mono, std::size_t frames);

    int sampleRate_;
    fluid_settings_t *settings_ = nullptr;
    fluid_synth_t *synth_ = nullptr;
    int fontId_ = -1;
};
