#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A temporary folder of note files written for one test; removed with it.
class NoteFolder
{
public:
    NoteFolder();
    ~NoteFolder();

    // Writes 16-bit PCM WAV; samples are interleaved. Returns the file's path.
    std::string writeWav(const std::string &name, const std::vector<std::int16_t> &samples,
                         int channels = 1, int sampleRate = 48000);
    std::string writeBytes(const std::string &name, const std::string &bytes);
    std::string pathOf(const std::string &name) const { return folder_ + "/" + name; }

    NoteFolder(const NoteFolder &) = delete;
    NoteFolder &operator=(const NoteFolder &) = delete;

private:
    std::string folder_;
};

// A distinct, deterministic, mostly non-zero test signal.
std::vector<std::int16_t> testTone(int samples, int seed);
