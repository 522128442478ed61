#include "noterenderer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>

namespace {

const int velocity = 100;
// Some releases (strings) are long; a tail that has not died away by then is cut.
const double maxReleaseSeconds = 3.0;
// Where a note begins and where it has died away, relative to its peak. Anything quieter
// before the onset is the sample's own lead-in and the envelope's first steps, too quiet to
// hear as the beginning of the note, yet enough to make it sound late.
const float onsetLevel = 0.003f; // -50 dB
const float endLevel = 0.001f;   // -60 dB
// Closes the cut tail without a click.
const double fadeSeconds = 0.01;

} // namespace

NoteRenderer::NoteRenderer(const std::string &soundFont, int sampleRate) : sampleRate_(sampleRate)
{
    // The SoundFont's chatter about its own samples is no concern of whoever runs this.
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);

    settings_ = new_fluid_settings();
    fluid_settings_setnum(settings_, "synth.sample-rate", sampleRate);
    // Dry notes: the room is the player's, and the 3-D engine places each note itself.
    fluid_settings_setint(settings_, "synth.reverb.active", 0);
    fluid_settings_setint(settings_, "synth.chorus.active", 0);
    // Only the few instruments used are read from the large General MIDI font.
    fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
    synth_ = new_fluid_synth(settings_);
    if (synth_)
        fontId_ = fluid_synth_sfload(synth_, soundFont.c_str(), 0);
}

NoteRenderer::~NoteRenderer()
{
    if (synth_)
        delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
}

void NoteRenderer::record(std::vector<float> &mono, std::size_t frames)
{
    std::vector<float> left(frames), right(frames);
    fluid_synth_write_float(synth_, int(frames), left.data(), 0, 1, right.data(), 0, 1);
    for (std::size_t i = 0; i < frames; ++i)
        mono.push_back(0.5f * (left[i] + right[i]));
}

std::vector<float> NoteRenderer::render(int program, int key, double holdSeconds)
{
    std::vector<float> mono;
    if (fluid_synth_program_select(synth_, 0, fontId_, 0, program) != FLUID_OK)
        return mono;

    const std::size_t block = std::size_t(sampleRate_) / 100;
    const std::size_t holdFrames = std::size_t(holdSeconds * sampleRate_);
    const std::size_t maxFrames = holdFrames + std::size_t(maxReleaseSeconds * sampleRate_);

    fluid_synth_noteon(synth_, 0, key, velocity);
    while (mono.size() < holdFrames)
        record(mono, std::min(block, holdFrames - mono.size()));
    fluid_synth_noteoff(synth_, 0, key);
    while (mono.size() < maxFrames && fluid_synth_get_active_voice_count(synth_) > 0)
        record(mono, block);
    // Whatever is still sounding at the cap must not leak into the next note.
    fluid_synth_all_sounds_off(synth_, 0);

    float peak = 0.0f;
    for (float s : mono)
        peak = std::max(peak, std::fabs(s));
    if (peak == 0.0f)
        return {};
    const auto loud = [peak](float level) {
        return [peak, level](float s) { return std::fabs(s) >= level * peak; };
    };
    const auto onset = std::find_if(mono.begin(), mono.end(), loud(onsetLevel));
    const auto end = std::find_if(mono.rbegin(), mono.rend(), loud(endLevel)).base();
    std::vector<float> note(onset, end);

    const std::size_t fade = std::min(note.size(), std::size_t(fadeSeconds * sampleRate_));
    for (std::size_t i = 0; i < fade; ++i)
        note[note.size() - 1 - i] *= float(i) / float(fade);
    return note;
}
