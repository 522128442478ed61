#include "midinode.h"

#include "midihub.h"
#include "midimessage.h"
#include "midiout.h"
#include "mixer.h"

#include <pipewire/filter.h>
#include <pipewire/pipewire.h>
#include <spa/control/control.h>
#include <spa/pod/builder.h>
#include <spa/pod/iter.h>

#include <algorithm>

namespace kevaro {

// pw_filter keeps data of this size with each port; the node keeps nothing there.
struct MidiNode::Port
{
};

struct MidiNodeCallbacks
{
    static void process(void *data, spa_io_position *position)
    {
        auto *node = static_cast<MidiNode *>(data);
        node->readInput(position ? position->clock.duration : 0);
        node->writeOutput();
        if (node->eventsWaiting_) {
            // An eventfd write: wakes the loop's thread, never waits for it.
            pw_loop_signal_event(pw_thread_loop_get_loop(node->loop_), node->eventsSource_);
            node->eventsWaiting_ = false;
        }
        // Now the stream mixes, with the notes that just came in.
        if (pw_stream *stream = node->stream_.load(std::memory_order_acquire))
            pw_stream_trigger_process(stream);
    }

    static void stateChanged(void *data, pw_filter_state, pw_filter_state state, const char *)
    {
        auto *node = static_cast<MidiNode *>(data);
        if (state == PW_FILTER_STATE_PAUSED || state == PW_FILTER_STATE_STREAMING)
            node->state_ = MidiNode::State::Ready;
        else if (state == PW_FILTER_STATE_ERROR || (state == PW_FILTER_STATE_UNCONNECTED &&
                                                    node->state_ != MidiNode::State::Connecting))
            node->state_ = MidiNode::State::Failed;
        pw_thread_loop_signal(node->loop_, false);
    }

    // On the loop's thread: tells what came in.
    static void eventsCame(void *data, std::uint64_t)
    {
        auto *node = static_cast<MidiNode *>(data);
        MidiEvent event;
        bool noteCame = false;
        while (node->events_.pop(event)) {
            noteCame = noteCame || event.kind == MidiEvent::Kind::KeyDown;
            MidiHub::instance().tell(event);
        }
        if (noteCame && node->noteHandler_)
            node->noteHandler_();
    }

    static const pw_filter_events events;
};

const pw_filter_events MidiNodeCallbacks::events = [] {
    pw_filter_events events{};
    events.version = PW_VERSION_FILTER_EVENTS;
    events.state_changed = stateChanged;
    events.process = process;
    return events;
}();

MidiNode::MidiNode(pw_thread_loop *loop, Mixer &mixer)
    : loop_(loop), mixer_(mixer), listener_(std::make_unique<spa_hook>())
{
}

std::unique_ptr<MidiNode> MidiNode::create(pw_core *core, pw_thread_loop *loop, Mixer &mixer,
                                           const std::string &group, std::string &whyNot)
{
    std::unique_ptr<MidiNode> node(new MidiNode(loop, mixer));
    // A class of its own: WirePlumber links no MIDI node, and the piano's autoconnect links
    // only the MIDI bridge's.
    node->filter_ = pw_filter_new(
        core, "Kevaro",
        pw_properties_new(PW_KEY_NODE_NAME, "Kevaro", PW_KEY_NODE_DESCRIPTION, "Kevaro piano",
                          PW_KEY_MEDIA_TYPE, "Midi", PW_KEY_MEDIA_CATEGORY, "Duplex",
                          PW_KEY_MEDIA_ROLE, "DSP", PW_KEY_MEDIA_CLASS, "Midi/Duplex",
                          PW_KEY_NODE_GROUP, group.c_str(), nullptr));
    if (!node->filter_) {
        whyNot = "PipeWire made no MIDI node";
        return nullptr;
    }
    *node->listener_ = {};
    pw_filter_add_listener(node->filter_, node->listener_.get(), &MidiNodeCallbacks::events,
                           node.get());
    const auto port = [&](pw_direction direction, const char *name) {
        return static_cast<Port *>(pw_filter_add_port(
            node->filter_, direction, PW_FILTER_PORT_FLAG_MAP_BUFFERS, sizeof(Port),
            pw_properties_new(PW_KEY_FORMAT_DSP, "8 bit raw midi", PW_KEY_PORT_NAME, name, nullptr),
            nullptr, 0));
    };
    node->input_ = port(PW_DIRECTION_INPUT, "midi-in");
    node->output_ = port(PW_DIRECTION_OUTPUT, "midi-out");
    node->eventsSource_ =
        pw_loop_add_event(pw_thread_loop_get_loop(loop), MidiNodeCallbacks::eventsCame, node.get());
    if (!node->input_ || !node->output_ || !node->eventsSource_ ||
        pw_filter_connect(node->filter_, PW_FILTER_FLAG_RT_PROCESS, nullptr, 0) < 0) {
        whyNot = "PipeWire took no MIDI ports";
        return nullptr;
    }
    return node;
}

MidiNode::~MidiNode()
{
    // Destroying the filter waits for its current cycle; then no process runs any more.
    if (filter_)
        pw_filter_destroy(filter_);
    if (eventsSource_)
        pw_loop_destroy_source(pw_thread_loop_get_loop(loop_), eventsSource_);
    MidiOut::instance().letGo(this);
}

std::uint32_t MidiNode::id() const
{
    return pw_filter_get_node_id(filter_);
}

void MidiNode::report(MidiEvent::Kind kind, int number)
{
    // Dropped when the loop's thread is that far behind: the screen misses a key, no more.
    if (events_.push({kind, number}))
        eventsWaiting_ = true;
}

void MidiNode::readInput(std::uint32_t frames)
{
    pw_buffer *buffer = pw_filter_dequeue_buffer(input_);
    if (!buffer)
        return;
    spa_data &data = buffer->buffer->datas[0];
    auto *pod = static_cast<spa_pod *>(
        spa_pod_from_data(data.data, data.maxsize, data.chunk->offset, data.chunk->size));
    if (pod && spa_pod_is_sequence(pod)) {
        spa_pod_control *control;
        SPA_POD_SEQUENCE_FOREACH(reinterpret_cast<spa_pod_sequence *>(pod), control)
        {
            if (control->type != SPA_CONTROL_Midi)
                continue;
            const MidiMessage message =
                MidiMessage::parse(static_cast<const std::uint8_t *>(SPA_POD_BODY(&control->value)),
                                   SPA_POD_BODY_SIZE(&control->value));
            mixer_.playMidi(message, std::min(control->offset, frames > 0 ? frames - 1 : 0));
            switch (message.kind) {
            case MidiMessage::Kind::NoteOn:
                keysDown_.set(message.number);
                report(MidiEvent::Kind::KeyDown, message.number);
                break;
            case MidiMessage::Kind::NoteOff:
                if (keysDown_.test(message.number))
                    report(MidiEvent::Kind::KeyUp, message.number);
                keysDown_.reset(message.number);
                break;
            case MidiMessage::Kind::Sustain:
                if (bool(message.value) != pedalDown_)
                    report(message.value ? MidiEvent::Kind::PedalDown : MidiEvent::Kind::PedalUp,
                           0);
                pedalDown_ = message.value;
                break;
            case MidiMessage::Kind::AllNotesOff:
            case MidiMessage::Kind::AllSoundOff:
                for (int key = 0; key < int(keysDown_.size()); ++key) {
                    if (keysDown_.test(std::size_t(key)))
                        report(MidiEvent::Kind::KeyUp, key);
                }
                keysDown_.reset();
                break;
            case MidiMessage::Kind::Program:
                // Programs 0 to 4 are the five sound sets.
                if (message.number < 5)
                    report(MidiEvent::Kind::SetChosen, message.number + 1);
                break;
            case MidiMessage::Kind::Other:
                break;
            }
        }
    }
    pw_filter_queue_buffer(input_, buffer);
}

void MidiNode::writeOutput()
{
    MidiOut &out = MidiOut::instance();
    if (!out.claim(this))
        return;
    pw_buffer *buffer = pw_filter_dequeue_buffer(output_);
    if (!buffer)
        return;
    spa_data &data = buffer->buffer->datas[0];
    spa_pod_builder builder;
    spa_pod_builder_init(&builder, data.data, data.maxsize);
    spa_pod_frame frame;
    spa_pod_builder_push_sequence(&builder, &frame, 0);
    const std::int64_t now = MidiOut::nowNs();
    MidiOut::Message message;
    // Room for one more message, with its header, each time round; the rest goes next cycle.
    while (builder.state.offset + 64 <= data.maxsize && out.next(message, now)) {
        spa_pod_builder_control(&builder, 0, SPA_CONTROL_Midi);
        spa_pod_builder_bytes(&builder, message.bytes, message.size);
    }
    spa_pod_builder_pop(&builder, &frame);
    data.chunk->offset = 0;
    data.chunk->size = builder.state.offset;
    data.chunk->stride = 1;
    pw_filter_queue_buffer(output_, buffer);
}

} // namespace kevaro
