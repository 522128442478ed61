#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kevaro {

// A note file decoded into interleaved 16-bit PCM, the form the output buffers take.
struct DecodedNote
{
    // nullptr when the file is missing, unreadable, corrupt or empty. OpenAL plays mono and
    // stereo buffers only, so a file of more channels (5.1, say) is mixed down to stereo.
    // path is in the file system's encoding (QFile::encodeName).
    static std::shared_ptr<const DecodedNote> decodeFile(const std::string &path);

    std::vector<std::int16_t> samples;
    int channels = 0;
    int sampleRate = 0;
};

} // namespace kevaro
