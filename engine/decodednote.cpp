#include "decodednote.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

namespace kevaro {

namespace {

// About six minutes of stereo at 48 kHz: more than any note, and a bound on what a broken or
// hostile file can make us hold.
constexpr std::size_t maxSamples = std::size_t(1) << 25;
constexpr sf_count_t blockFrames = 4096;

struct Gains
{
    float left;
    float right;
};

// The usual stereo downmix: sides and rears into their side at -3 dB, centres into both at
// -3 dB, the low-frequency channel left out.
Gains stereoGains(int position)
{
    constexpr float half = 0.70710678f;
    switch (position) {
    case SF_CHANNEL_MAP_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT:
        return {1, 0};
    case SF_CHANNEL_MAP_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT:
        return {0, 1};
    case SF_CHANNEL_MAP_REAR_LEFT:
    case SF_CHANNEL_MAP_SIDE_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
    case SF_CHANNEL_MAP_TOP_FRONT_LEFT:
    case SF_CHANNEL_MAP_TOP_REAR_LEFT:
        return {half, 0};
    case SF_CHANNEL_MAP_REAR_RIGHT:
    case SF_CHANNEL_MAP_SIDE_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
    case SF_CHANNEL_MAP_TOP_FRONT_RIGHT:
    case SF_CHANNEL_MAP_TOP_REAR_RIGHT:
        return {0, half};
    case SF_CHANNEL_MAP_LFE:
        return {0, 0};
    default: // centres, mono, ambisonic W, unknown
        return {half, half};
    }
}

// The channel positions the file declares, or the WAV order when it declares none.
std::vector<int> channelPositions(SNDFILE *file, int channels)
{
    std::vector<int> positions(std::size_t(channels), SF_CHANNEL_MAP_INVALID);
    if (sf_command(file, SFC_GET_CHANNEL_MAP_INFO, positions.data(),
                   int(positions.size() * sizeof(int))) == SF_TRUE)
        return positions;
    static const int wavOrder[] = {SF_CHANNEL_MAP_FRONT_LEFT,
                                   SF_CHANNEL_MAP_FRONT_RIGHT,
                                   SF_CHANNEL_MAP_FRONT_CENTER,
                                   SF_CHANNEL_MAP_LFE,
                                   SF_CHANNEL_MAP_REAR_LEFT,
                                   SF_CHANNEL_MAP_REAR_RIGHT,
                                   SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER,
                                   SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER,
                                   SF_CHANNEL_MAP_REAR_CENTER,
                                   SF_CHANNEL_MAP_SIDE_LEFT,
                                   SF_CHANNEL_MAP_SIDE_RIGHT};
    for (std::size_t i = 0; i < positions.size() && i < std::size(wavOrder); ++i)
        positions[i] = wavOrder[i];
    return positions;
}

// Reads the file block by block, so a header that claims more than the file holds costs
// nothing; a truncated file gives what it has.
void readAsIs(SNDFILE *file, int channels, std::vector<std::int16_t> &samples)
{
    std::vector<std::int16_t> block(std::size_t(blockFrames) * std::size_t(channels));
    sf_count_t frames;
    while (samples.size() < maxSamples &&
           (frames = sf_readf_short(file, block.data(), blockFrames)) > 0)
        samples.insert(samples.end(), block.begin(), block.begin() + frames * channels);
}

void readMixedToStereo(SNDFILE *file, int channels, std::vector<std::int16_t> &samples)
{
    std::vector<Gains> gains;
    for (int position : channelPositions(file, channels))
        gains.push_back(stereoGains(position));
    std::vector<float> block(std::size_t(blockFrames) * std::size_t(channels));
    std::vector<float> mix;
    mix.reserve(samples.capacity());
    sf_count_t frames;
    while (mix.size() < maxSamples &&
           (frames = sf_readf_float(file, block.data(), blockFrames)) > 0) {
        for (sf_count_t frame = 0; frame < frames; ++frame) {
            const float *in = &block[std::size_t(frame * channels)];
            float left = 0, right = 0;
            for (int c = 0; c < channels; ++c) {
                left += in[c] * gains[std::size_t(c)].left;
                right += in[c] * gains[std::size_t(c)].right;
            }
            mix.push_back(left);
            mix.push_back(right);
        }
    }
    // Quieter rather than clipped when the channels add up past full scale.
    float peak = 1;
    for (float v : mix)
        peak = std::max(peak, std::isfinite(v) ? std::fabs(v) : 0.0f);
    samples.reserve(mix.size());
    for (float v : mix)
        samples.push_back(std::int16_t(std::lround(
            std::clamp(std::isfinite(v) ? v / peak : 0.0f, -1.0f, 32767.0f / 32768) * 32768)));
}

} // namespace

std::shared_ptr<const DecodedNote> DecodedNote::decodeFile(const std::string &path)
{
    // Opened here: libsndfile keeps the path it is given in a buffer of 1,024 bytes and
    // fails on a longer one.
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    SF_INFO info{};
    SNDFILE *file = sf_open_fd(descriptor, SFM_READ, &info, SF_FALSE);
    if (!file) {
        close(descriptor);
        return nullptr;
    }
    auto note = std::make_shared<DecodedNote>();
    if (info.channels > 0 && info.samplerate > 0) {
        // Float files beyond full scale clip instead of wrapping round.
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
        // What the header claims, within bounds: a false claim costs address space only.
        note->samples.reserve(std::size_t(std::clamp<sf_count_t>(info.frames, 0, maxSamples)) *
                              std::size_t(std::min(info.channels, 2)));
        if (info.channels <= 2)
            readAsIs(file, info.channels, note->samples);
        else
            readMixedToStereo(file, info.channels, note->samples);
        note->channels = std::min(info.channels, 2);
        note->sampleRate = info.samplerate;
        if (note->samples.size() >= maxSamples)
            std::fprintf(stderr, "Kevaro: %s is too long; playing its first %zu samples\n",
                         path.c_str(), note->samples.size());
    }
    sf_close(file);
    close(descriptor);
    if (note->samples.empty())
        return nullptr;
    return note;
}

} // namespace kevaro
