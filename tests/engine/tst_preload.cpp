// Preloading: once a note is preloaded, pressing it decodes nothing, on engines opened
// before or after the preload.
#include "loopbackdevice.h"
#include "notecheck.h"
#include "notefolder.h"
#include "notepreloader.h"
#include "samplecache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using kevaro::NotePreloader;
using kevaro::SoundEngine;

namespace {

std::uint64_t decodes()
{
    return kevaro::SampleCache::instance().decodeCount();
}

} // namespace

TEST(Preload, PressesOfPreloadedNotesDecodeNothing)
{
    NoteFolder folder;
    std::vector<std::string> paths;
    std::vector<std::vector<std::int16_t>> tones;
    for (int note = 0; note < 4; ++note) {
        tones.push_back(testTone(500, note));
        paths.push_back(folder.writeWav("note" + std::to_string(note) + ".wav", tones.back()));
    }
    LoopbackDevice openBefore;
    SoundEngine *before = openBefore.openEngine();
    ASSERT_TRUE(before);

    const std::uint64_t decodesBefore = decodes();
    NotePreloader::preload(paths);
    NotePreloader::waitUntilIdle();
    EXPECT_EQ(decodes(), decodesBefore + paths.size());
    LoopbackDevice openAfter;
    SoundEngine *after = openAfter.openEngine();
    ASSERT_TRUE(after);
    for (std::size_t note = 0; note < paths.size(); ++note) {
        playNote(before, paths[note]);
        playNote(after, paths[note]);
        EXPECT_TRUE(sameSamples(openBefore.render(500), mixOf(tones[note], 500)));
        EXPECT_TRUE(sameSamples(openAfter.render(500), mixOf(tones[note], 500)));
    }
    EXPECT_EQ(decodes(), decodesBefore + paths.size());

    // Pressed while the worker may be decoding it: one of them decodes, the other waits.
    const auto tone = testTone(48000 * 4, 9);
    const std::string longPath = folder.writeWav("long.wav", tone);
    NotePreloader::preload({longPath});
    playNote(before, longPath);
    EXPECT_TRUE(sameSamples(openBefore.render(500), mixOf(tone, 500)));
    NotePreloader::waitUntilIdle();
    EXPECT_EQ(decodes(), decodesBefore + paths.size() + 1);
    before->release();
    after->release();
}

TEST(Preload, NewestRequestReplacesTheRestOfOlderOnes)
{
    NoteFolder folder;
    // The worker stays on this file until the test closes its writing end.
    const std::string held = folder.pathOf("held.wav");
    ASSERT_EQ(mkfifo(held.c_str(), 0600), 0);
    std::vector<std::string> older;
    for (int note = 0; note < 5; ++note)
        older.push_back(
            folder.writeWav("older" + std::to_string(note) + ".wav", testTone(500, note)));
    const std::string newest = folder.writeWav("newest.wav", testTone(500, 9));

    const std::uint64_t decodesBefore = decodes();
    NotePreloader::preload({held});
    const int writer = open(held.c_str(), O_WRONLY); // returns once the worker opened it
    ASSERT_GE(writer, 0);
    NotePreloader::preload(older);
    NotePreloader::preload({newest});
    close(writer);
    NotePreloader::waitUntilIdle();
    EXPECT_EQ(decodes(), decodesBefore + 2);
    LoopbackDevice loopback;
    SoundEngine *engine = loopback.openEngine();
    ASSERT_TRUE(engine);
    playNote(engine, newest);
    EXPECT_EQ(decodes(), decodesBefore + 2);
    engine->release();
}
