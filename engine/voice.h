#pragma once

#include "mixer.h"

#include <atomic>
#include <chrono>
#include <memory>

namespace kevaro {

class OutputSession;

// A note handed to the caller by SoundEngine::playAt. Reference-counted: when the last
// reference goes, a sounding note plays on (a looped one until its engine's last release),
// while a paused one stops, since nothing could start it again. Safe to use and release after
// its engine is gone; it then does nothing. It also does nothing once the engine took its voice
// for a newer note (only when more notes sound at once than the mixer has voices).
class Voice
{
public:
    void addRef();
    void release();

    void pause();
    // Starts a voice that was opened paused, continues a paused one, replays a stopped one.
    void resume();
    void stop();
    // Ends the note with a fade to -60 dB over that long, as a lifted key does.
    void fadeOut(std::chrono::milliseconds length);
    bool isPlaying() const;

    Voice(const Voice &) = delete;
    Voice &operator=(const Voice &) = delete;

private:
    friend class OutputSession;

    Voice(std::shared_ptr<OutputSession> session, Mixer::VoiceRef ref, std::uint64_t epoch);
    ~Voice();

    const std::shared_ptr<OutputSession> session_;
    const Mixer::VoiceRef ref_;
    // The session's epoch when the note started: the session silenced since, it is stale.
    const std::uint64_t epoch_;
    std::atomic<int> references_{1};
};

} // namespace kevaro
