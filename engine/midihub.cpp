#include "midihub.h"

#include "midinotetable.h"
#include "noteloader.h"
#include "outputsession.h"

#include <algorithm>

namespace kevaro {

MidiHub &MidiHub::instance()
{
    // Never destroyed: outputs' threads may still tell it something while the process exits.
    static MidiHub *const hub = new MidiHub;
    return *hub;
}

void MidiHub::setFiles(std::vector<std::pair<int, std::string>> files)
{
    std::vector<std::string> paths;
    for (const auto &file : files)
        paths.push_back(file.second);
    NoteLoader::loadThen(std::move(paths), [files = std::move(files)](NoteLoader::Notes notes) {
        std::vector<std::pair<int, std::shared_ptr<const DecodedNote>>> decoded;
        for (std::size_t i = 0; i < files.size(); ++i)
            decoded.emplace_back(files[i].first, std::move(notes[i]));
        instance().setTable(std::make_shared<MidiNoteTable>(std::move(decoded)));
    });
}

void MidiHub::setTable(std::shared_ptr<const MidiNoteTable> table)
{
    // Handed over under the lock, so that a session attached meanwhile never gets an older
    // table after this one.
    std::lock_guard<std::mutex> lock(mutex_);
    table_ = std::move(table);
    sessions_.erase(std::remove_if(sessions_.begin(), sessions_.end(),
                                   [](const auto &session) { return session.expired(); }),
                    sessions_.end());
    for (const std::weak_ptr<OutputSession> &attached : sessions_) {
        if (const std::shared_ptr<OutputSession> session = attached.lock())
            session->setMidiTable(table_);
    }
}

void MidiHub::attach(const std::shared_ptr<OutputSession> &session)
{
    std::lock_guard<std::mutex> lock(mutex_);
    sessions_.push_back(session);
    session->setMidiTable(table_);
}

void MidiHub::setListener(std::function<void(const MidiEvent &)> listener)
{
    std::lock_guard<std::mutex> lock(listenerMutex_);
    listener_ = std::move(listener);
}

void MidiHub::tell(const MidiEvent &event)
{
    std::lock_guard<std::mutex> lock(listenerMutex_);
    if (listener_)
        listener_(event);
}

} // namespace kevaro
