#include "decodednote.h"

#include <new>
#include <sndfile.h>

namespace kevaro {

std::shared_ptr<const DecodedNote> DecodedNote::decodeFile(const std::string &path)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return nullptr;
    std::shared_ptr<DecodedNote> note;
    if ((info.channels == 1 || info.channels == 2) && info.samplerate > 0 && info.frames > 0) {
        try {
            note = std::make_shared<DecodedNote>();
            note->samples.resize(std::size_t(info.frames) * std::size_t(info.channels));
        } catch (const std::bad_alloc &) {
            // A corrupt header can claim any length.
            note.reset();
        }
    }
    if (note) {
        // A truncated file yields fewer frames than its header says; play what is there.
        const sf_count_t frames = sf_readf_short(file, note->samples.data(), info.frames);
        note->samples.resize(std::size_t(frames > 0 ? frames : 0) * std::size_t(info.channels));
        note->channels = info.channels;
        note->sampleRate = info.samplerate;
        if (note->samples.empty())
            note.reset();
    }
    sf_close(file);
    return note;
}

} // namespace kevaro
