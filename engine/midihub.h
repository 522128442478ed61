#pragma once

#include "midievent.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace kevaro {

class MidiNoteTable;
class OutputSession;

// What every output's MIDI in shares, process-wide and never destroyed: the note table it plays
// from (built from the selected set's files), whether the piano links MIDI keyboards by itself,
// and who hears what comes in. Safe from any thread; its locks are held for memory operations
// and hand-overs to the mixers' control sides, never across I/O.
class MidiHub
{
public:
    static MidiHub &instance();

    // The selected set's files by the MIDI key each was recorded at. Decoded on the note
    // loader's thread, then every output plays MIDI from them. Never waits.
    void setFiles(std::vector<std::pair<int, std::string>> files);
    // An output's session plays MIDI from the current table and each later one.
    void attach(const std::shared_ptr<OutputSession> &session);

    void setAutoconnect(bool on) { autoconnect_ = on; }
    bool autoconnect() const { return autoconnect_; }

    // Called, on a thread of an output's own (not the real-time one), with what came in.
    void setListener(std::function<void(const MidiEvent &)> listener);
    void tell(const MidiEvent &event);

private:
    MidiHub() = default;
    void setTable(std::shared_ptr<const MidiNoteTable> table);

    std::mutex mutex_;
    std::shared_ptr<const MidiNoteTable> table_;
    std::vector<std::weak_ptr<OutputSession>> sessions_;
    std::atomic<bool> autoconnect_{true};
    std::mutex listenerMutex_;
    std::function<void(const MidiEvent &)> listener_;
};

} // namespace kevaro
