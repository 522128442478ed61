#pragma once

#include <atomic>
#include <memory>

namespace kevaro {

class OutputSession;

// A note handed to the caller by SoundEngine::playAt. Reference-counted: when the last
// reference goes, a sounding note plays on (a looped one until its engine's last release),
// while a paused one stops, since nothing could start it again. Safe to use and release after its
// engine is gone; it then does nothing. It also does nothing once the engine took its source for a
// newer note (only when more notes sound at once than the device has sources).
class Voice
{
public:
    void addRef();
    void release();

    void pause();
    // Starts a voice that was opened paused, continues a paused one, replays a stopped one.
    void resume();
    void stop();
    bool isPlaying() const;

    Voice(const Voice &) = delete;
    Voice &operator=(const Voice &) = delete;

private:
    friend class OutputSession;

    Voice(std::shared_ptr<OutputSession> session, unsigned int source);
    ~Voice();

    const std::shared_ptr<OutputSession> session_;
    // 0 once the session took the source back; guarded by the session's lock.
    unsigned int source_;
    std::atomic<int> references_{1};
};

} // namespace kevaro
