// Plays a note on the default output device at each "play" on stdin, for server_restart.sh:
// answers "played" or "skipped" (no voice); "quit" ends.
#include "notefolder.h"
#include "noteloader.h"
#include "soundengine.h"
#include "voice.h"

#include <cmath>
#include <iostream>

int main()
{
    NoteFolder folder;
    std::vector<std::int16_t> sine(24000);
    for (std::size_t i = 0; i < sine.size(); ++i)
        sine[i] = std::int16_t(16000 * std::sin(2 * M_PI * 440.0 * double(i) / 48000.0));
    const std::string note = folder.writeWav("sine.wav", sine);
    kevaro::NoteLoader::preload({note});
    kevaro::SoundEngine::prepare();
    kevaro::SoundEngine *engine = kevaro::SoundEngine::open();
    std::cout << (engine ? "opened" : "no engine") << std::endl;
    if (!engine)
        return 1;
    for (std::string command; std::getline(std::cin, command) && command != "quit";) {
        kevaro::Voice *voice = engine->playAt(note.c_str(), 0, 0, 0, false, false, true,
                                              kevaro::LoadMode::Automatic, true);
        std::cout << (voice ? "played" : "skipped") << std::endl;
        if (voice)
            voice->release();
    }
    engine->release();
}
