// Note files of any content: decoding never crashes, and what it gives can be uploaded as it
// is (mono or stereo, whole frames, a positive rate).
#include "decodednote.h"

#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, std::size_t size)
{
    // The decoder opens files by path; a file in memory has one.
    const int fd = memfd_create("note.wav", 0);
    if (fd < 0 || write(fd, data, size) != ssize_t(size))
        abort();
    const auto note = kevaro::DecodedNote::decodeFile("/proc/self/fd/" + std::to_string(fd));
    close(fd);
    if (note && (note->channels < 1 || note->channels > 2 || note->sampleRate <= 0 ||
                 note->samples.empty() || note->samples.size() % std::size_t(note->channels)))
        abort();
    return 0;
}
