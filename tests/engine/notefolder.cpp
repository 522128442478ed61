#include "notefolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sndfile.h>
#include <stdexcept>

NoteFolder::NoteFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kevaro-notes-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    folder_ = pattern;
}

NoteFolder::~NoteFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string NoteFolder::writeWav(const std::string &name, const std::vector<std::int16_t> &samples,
                                 int channels, int sampleRate)
{
    const std::string path = pathOf(name);
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sampleRate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        throw std::runtime_error("cannot write " + path);
    sf_write_short(file, samples.data(), sf_count_t(samples.size()));
    sf_close(file);
    return path;
}

std::string NoteFolder::writeBytes(const std::string &name, const std::string &bytes)
{
    const std::string path = pathOf(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::vector<std::int16_t> testTone(int samples, int seed)
{
    std::vector<std::int16_t> tone(static_cast<std::size_t>(samples));
    for (int i = 0; i < samples; ++i)
        tone[std::size_t(i)] = std::int16_t((i * 7919 + seed * 104729) % 20000 - 10000);
    return tone;
}
