// The default output device is whatever this machine has, possibly nothing: preparing and
// opening must work or give nullptr, never crash or hang.
#include "notecheck.h"
#include "notefolder.h"

using kevaro::SoundEngine;

TEST(DefaultDevice, OpensOrGivesNull)
{
    NoteFolder folder;
    const std::string path = folder.writeWav("note.wav", testTone(4800, 1));
    SoundEngine::prepare();
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (SoundEngine *engine = SoundEngine::open()) {
            kevaro::Voice *voice = holdNote(engine, path);
            engine->release();
            if (voice)
                voice->release();
        }
    }
}
