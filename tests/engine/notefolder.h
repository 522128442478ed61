#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sndfile.h>
#include <stdexcept>
#include <string>
#include <vector>

// A temporary folder of note files written for one test; removed with it.
class NoteFolder
{
public:
    NoteFolder() : folder_((std::filesystem::temp_directory_path() / "kevaro-XXXXXX").string())
    {
        if (!mkdtemp(folder_.data()))
            throw std::runtime_error("cannot create a temporary folder");
    }
    ~NoteFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    // Writes 16-bit PCM WAV; samples are interleaved. Returns the file's path.
    std::string writeWav(const std::string &name, const std::vector<std::int16_t> &samples,
                         int channels = 1, int sampleRate = 48000)
    {
        SF_INFO info{0, sampleRate, channels, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
        SNDFILE *file = sf_open(pathOf(name).c_str(), SFM_WRITE, &info);
        if (!file)
            throw std::runtime_error("cannot write " + pathOf(name));
        sf_write_short(file, samples.data(), sf_count_t(samples.size()));
        sf_close(file);
        return pathOf(name);
    }
    std::string writeBytes(const std::string &name, const std::string &bytes)
    {
        std::ofstream(pathOf(name), std::ios::binary) << bytes;
        return pathOf(name);
    }
    std::string pathOf(const std::string &name) const { return folder_ + "/" + name; }

private:
    std::string folder_;
};

// A distinct, deterministic, mostly non-zero test signal.
inline std::vector<std::int16_t> testTone(int samples, int seed)
{
    std::vector<std::int16_t> tone(static_cast<std::size_t>(samples));
    for (int i = 0; i < samples; ++i)
        tone[std::size_t(i)] = std::int16_t((i * 7919 + seed * 104729) % 20000 - 10000);
    return tone;
}
