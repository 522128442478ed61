#include "notenames.h"

#include <cstring>

const std::array<const char *, 22> noteNames = {
    "keya0",   "keya1", "keyais0", "keyais1", "keyc0",   "keyc1", "keyc2", "keycis1",
    "keycis2", "keyd1", "keyd2",   "keydis1", "keydis2", "keye1", "keyf1", "keyfis1",
    "keyg0",   "keyg1", "keygis0", "keygis1", "keyh0",   "keyh1"};

int midiKey(const char *noteName)
{
    static const char letters[] = "cdefgah";
    static const int semitones[] = {0, 2, 4, 5, 7, 9, 11};
    const char *p = noteName + std::strlen("key");
    int semitone = semitones[std::strchr(letters, *p++) - letters];
    if (std::strncmp(p, "is", 2) == 0) {
        ++semitone;
        p += 2;
    }
    return 48 + 12 * (*p - '0') + semitone;
}
