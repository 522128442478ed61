// Renders the five sound sets that come with Kevaro:   kevaro-soundsets OUTDIR
// writes OUTDIR/<folder>/key*.wav for each set and prints "name<TAB>OUTDIR/folder" per set.
// kevaro-soundsets --version prints what an installed copy is checked against.

#include "notenames.h"
#include "noterenderer.h"
#include "soundset.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

// Raised whenever the rendered notes change, so installed sets get rendered anew.
const char *const version = "kevaro-soundsets 2";
const char *const soundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
const int sampleRate = 48000;
// The loudest note of every set peaks here, leaving room for the 16-bit rounding.
const float peakLevel = 0.891f; // -1 dBFS

bool makeDirectory(const std::string &path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error)
        std::fprintf(stderr, "cannot create %s: %s\n", path.c_str(), error.message().c_str());
    return !error;
}

bool writeWav(const std::string &path, const std::vector<float> &samples)
{
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    const sf_count_t frames = sf_count_t(samples.size());
    const bool written = sf_writef_float(file, samples.data(), frames) == frames;
    if (!written)
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), sf_strerror(file));
    return sf_close(file) == 0 && written;
}

bool renderSet(NoteRenderer &renderer, const SoundSet &set, const std::string &folder)
{
    std::vector<std::vector<float>> notes;
    float peak = 0.0f;
    for (const char *name : noteNames) {
        notes.push_back(renderer.render(set.program, midiKey(name), set.holdSeconds));
        if (notes.back().empty()) {
            std::fprintf(stderr, "%s: no sound for %s\n", set.name, name);
            return false;
        }
        for (float s : notes.back())
            peak = std::max(peak, std::fabs(s));
    }

    // One gain for the whole set keeps its notes as loud as the instrument plays them.
    const float gain = peakLevel / peak;
    if (!makeDirectory(folder))
        return false;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        for (float &s : notes[i])
            s *= gain;
        if (!writeWav(folder + "/" + noteNames[i] + ".wav", notes[i]))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s\n", version);
        return 0;
    }
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: %s OUTDIR\n       %s --version\n", argv[0], argv[0]);
        return 2;
    }

    const std::string outDir = argv[1];
    if (!makeDirectory(outDir))
        return 1;
    NoteRenderer renderer(soundFont, sampleRate);
    if (!renderer.isReady()) {
        std::fprintf(stderr, "cannot load the SoundFont %s\n", soundFont);
        return 1;
    }
    for (const SoundSet &set : soundSets) {
        const std::string folder = outDir + "/" + set.folder;
        if (!renderSet(renderer, set, folder))
            return 1;
        std::printf("%s\t%s\n", set.name, folder.c_str());
    }
    return 0;
}
