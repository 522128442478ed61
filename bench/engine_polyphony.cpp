// Mixing cost: CPU time per second of audio with many notes sounding at once, rendered in 256-frame
// periods, as an output device would ask for them.
#include "notefolder.h"
#include "noteloader.h"
#include "renderedoutput.h"
#include "soundengine.h"
#include "voice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Piano notes are 44.1 kHz recordings mixed at 48 kHz, so every voice is resampled too.
std::string writeNote(NoteFolder &folder, int channels)
{
    const int frames = 44100 * 2;
    std::vector<std::int16_t> samples;
    for (int i = 0; i < frames; ++i) {
        const double value = 10000 * std::sin(2 * M_PI * 220.0 * i / 44100.0);
        for (int c = 0; c < channels; ++c)
            samples.push_back(std::int16_t(value));
    }
    return folder.writeWav("note" + std::to_string(channels) + ".wav", samples, channels, 44100);
}

void measure(const std::string &path, const char *kind, int voiceCount)
{
    RenderedOutput output(true);
    kevaro::SoundEngine *engine = output.openEngine();
    kevaro::NoteLoader::preload({path});
    kevaro::NoteLoader::waitUntilIdle();
    std::vector<kevaro::Voice *> voices;
    for (int voice = 0; voice < voiceCount; ++voice)
        voices.push_back(engine->playAt(path.c_str(), float(voice % 17 - 8), 0.0f, -1.0f, true,
                                        false, true, kevaro::LoadMode::Automatic, true));
    const int seconds = 3;
    float loudest = 0;
    const double start = threadCpuSeconds();
    for (int period = 0; period < seconds * RenderedOutput::sampleRate / 256; ++period) {
        for (float sample : output.render(256))
            loudest = std::max(loudest, std::fabs(sample));
    }
    const double cpuPerSecond = (threadCpuSeconds() - start) / seconds;
    const auto sounding = std::count_if(voices.begin(), voices.end(),
                                        [](kevaro::Voice *voice) { return voice->isPlaying(); });
    std::printf("%3d %s voices: %6.1f ms CPU per second of audio (%4.1f%% of one core); "
                "%ld sounding, peak %.2f\n",
                voiceCount, kind, cpuPerSecond * 1000, cpuPerSecond * 100, long(sounding), loudest);
    for (kevaro::Voice *voice : voices)
        voice->release();
    engine->release();
}

} // namespace

int main()
{
    NoteFolder folder;
    const std::string mono = writeNote(folder, 1);
    const std::string stereo = writeNote(folder, 2);
    for (int voices : {32, 64, 128})
        measure(mono, "placed mono  ", voices);
    for (int voices : {32, 64, 128})
        measure(stereo, "stereo       ", voices);
    return 0;
}
