// The default output device is whatever this machine has, possibly nothing: opening must
// work or give nullptr, never crash.
#include "notefolder.h"
#include "soundengine.h"
#include "voice.h"

#include <gtest/gtest.h>

using kevaro::LoadMode;
using kevaro::SoundEngine;

TEST(DefaultDevice, OpensOrGivesNull)
{
    NoteFolder folder;
    const std::string path = folder.writeWav("note.wav", testTone(4800, 1));
    for (int attempt = 0; attempt < 2; ++attempt) {
        SoundEngine *engine = SoundEngine::open();
        if (!engine)
            continue;
        kevaro::Voice *voice =
            engine->playAt(path.c_str(), 0, 0, 0, false, false, true, LoadMode::Automatic, true);
        engine->release();
        if (voice)
            voice->release();
    }
}
