// What a press costs: decoding a note file (what a press would cost without the cache) and
// playing a cached note, on an output the bench renders itself so no sound server takes part.
#include "decodednote.h"
#include "notefolder.h"
#include "noteloader.h"
#include "renderedoutput.h"
#include "soundengine.h"
#include "voice.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

using Clock = std::chrono::steady_clock;

namespace {

void printFigures(const char *what, std::vector<double> microseconds)
{
    std::sort(microseconds.begin(), microseconds.end());
    const auto at = [&](double fraction) {
        return microseconds[std::size_t(fraction * double(microseconds.size() - 1))];
    };
    std::printf("%-44s median %8.2f us   p99 %8.2f us   max %8.2f us   (%zu runs)\n", what, at(0.5),
                at(0.99), microseconds.back(), microseconds.size());
}

std::vector<std::int16_t> pianoLikeNote(int frames, int channels)
{
    std::vector<std::int16_t> samples(std::size_t(frames) * std::size_t(channels));
    for (int i = 0; i < frames; ++i) {
        const double decay = std::exp(-3.0 * i / frames);
        const double value = 12000 * decay * std::sin(2 * M_PI * 261.63 * i / 44100.0);
        for (int c = 0; c < channels; ++c)
            samples[std::size_t(i * channels + c)] = std::int16_t(value);
    }
    return samples;
}

void benchDecode(NoteFolder &folder, const char *what, int frames, int channels)
{
    const std::string path =
        folder.writeWav(std::to_string(frames) + "x" + std::to_string(channels) + ".wav",
                        pianoLikeNote(frames, channels), channels, 44100);
    std::vector<double> costs;
    for (int run = 0; run < 300; ++run) {
        const auto start = Clock::now();
        const auto note = kevaro::DecodedNote::decodeFile(path);
        costs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        if (!note)
            std::printf("cannot decode %s\n", path.c_str());
    }
    printFigures(what, costs);
}

void benchCachedPlay(NoteFolder &folder)
{
    const std::string path = folder.writeWav("press.wav", pianoLikeNote(96, 1), 1, 44100);
    RenderedOutput output(true);
    kevaro::SoundEngine *engine = output.openEngine();
    kevaro::NoteLoader::preload({path});
    kevaro::NoteLoader::waitUntilIdle();
    std::vector<double> costs;
    for (int press = 0; press < 20000; ++press) {
        const auto start = Clock::now();
        engine->playAt(path.c_str(), float(press % 7 - 3), 0, 0, false, false, false,
                       kevaro::LoadMode::Automatic, true);
        costs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        // Let the note end so presses run through voice reuse as in play.
        output.render(128);
    }
    printFigures("cached press (playAt, no handle)", costs);

    costs.clear();
    for (int press = 0; press < 20000; ++press) {
        const auto start = Clock::now();
        engine->playAt(path.c_str(), 0, 0, 0, false, false, true, kevaro::LoadMode::Automatic, true)
            ->release();
        costs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        output.render(128);
    }
    printFigures("cached press with handle, then release", costs);
    engine->release();
}

} // namespace

int main()
{
    NoteFolder folder;
    benchDecode(folder, "decode 0.5 s mono 44.1 kHz", 22050, 1);
    benchDecode(folder, "decode 2 s stereo 44.1 kHz", 88200, 2);
    benchDecode(folder, "decode 6 s stereo 44.1 kHz", 264600, 2);
    benchCachedPlay(folder);
    return 0;
}
