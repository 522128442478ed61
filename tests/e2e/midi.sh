#!/usr/bin/env bash
# MIDI into the piano on a plain user's PipeWire, from pw-midiplay linked to its input "midi-in"
# (WirePlumber links no MIDI): each note sounds at its pitch, two of them beyond the set's files;
# a soft note at least 20 dB below a loud one; a note-off ends its note within 200 ms with the
# pedal up, without a click, and not with it down. A stand-in for a MIDI keyboard, a node of
# class Midi/Bridge, is linked by the piano itself, once. A note wakes the paused output and
# sounds.   midi.sh KEVARO
kevaro=$1
for tool in setpriv prlimit pw-midiplay pw-link /usr/libexec/rtkit-daemon /usr/lib/polkit-1/polkitd; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }; done
source "$(dirname "$0")/session.sh"
e2e_start kevaro-test pipewire yes
for key in c0:48 g0:55 gis0:56 a0:57 ais0:58 h0:59 c1:60 cis1:61 d1:62 dis1:63 e1:64 f1:65 fis1:66 \
    g1:67 gis1:68 a1:69 ais1:70 h1:71 c2:72 cis2:73 d2:74 dis2:75; do
    tone "$work/home/tones/key${key%:*}.wav" "$(awk -v m="${key#*:}" 'BEGIN { print 440 * 2 ^ ((m - 69) / 12) }')" 3
done
settings "$work/home/tones"
midi() { python3 "$e2e_dir/midi.py" "$@"; }
midi write "$work/notes.mid" && midi note "$work/a1.mid" 69 && chmod 644 "$work"/*.mid

# play FILE [PROPERTIES]: pw-midiplay plays FILE; without PROPERTIES it is linked to the piano's
# input here, with them it is left to the piano. Returns when it has played all, or fails after
# 20 s.
play() {
    spawn as_user pw-midiplay -P "{ node.autoconnect = false ${2:-} }" "$1"
    local player=$!
    [ -n "${2:-}" ] || { wait_for "as_user pw-link -o | grep -q '^pw-midiplay:'" "pw-midiplay's port" &&
        as_user pw-link "$(as_user pw-link -o | grep -m 1 '^pw-midiplay:')" Kevaro:midi-in; } ||
        fail "could not link pw-midiplay to Kevaro:midi-in"
    ${while_playing:-} || true
    # Unlinked, it never plays: a test that failed, not one to wait for.
    for _ in $(seq 400); do kill -0 "$player" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$player" 2>/dev/null && return 1
    wait "$player" || fail "pw-midiplay failed"
}
# heard FILE WHAT HZ [PROPERTIES]: records while FILE plays; its note must sound at HZ.
heard() {
    start_recording "$work/heard.raw"
    play "$1" "${4:-}" || fail "$2: pw-midiplay did not play"
    wait_for "heard_out '$work/heard.raw' 0" "the note to sound and end" || fail "$2: nothing was heard"
    stop_recording
    python3 "$e2e_dir/tones.py" "$work/heard.raw" "$3" || fail "$2 did not sound at its pitch"
}

# The output runs throughout: one woken while pw-midiplay plays may move the graph to another
# driver, whose clock the MIDI it plays then follows, and bend its timing.
start_kevaro
wait_for "as_user pw-link -i | grep -qx Kevaro:midi-in && as_user pw-link -o | grep -qx Kevaro:midi-out" \
    "the piano's MIDI ports" || fail "no ports Kevaro:midi-in and Kevaro:midi-out"
start_recording "$work/notes.raw"
play "$work/notes.mid" || fail "pw-midiplay did not play"
wait_for "heard_out '$work/notes.raw' 0" "the last note to end" || fail "the recording stopped"
stop_recording
midi check "$work/notes.raw" || fail "MIDI in did not sound as it should"

# A node of the MIDI bridge's class is linked by the piano, once.
links() { as_user pw-link -l | grep -c '|<- pw-midiplay:' || true; }
linked_once() { wait_for '[ "$(links)" -gt 0 ]' "the link" && [ "$(links)" = 1 ] && linked=yes; }
linked=no
while_playing=linked_once heard "$work/a1.mid" "a note from a MIDI keyboard" 440 'media.class = "Midi/Bridge"'
[ "$linked" = yes ] || fail "the piano linked a MIDI bridge's port $(links) times, not once"
close_kevaro 1329 32

start_kevaro KEVARO_IDLE_PAUSE_SECONDS=2
wait_for '[ "$(stream_state)" = paused ]' "the output to pause" || fail "idle, the output is $(stream_state)"
heard "$work/a1.mid" "a MIDI note while the output was paused" 440
close_kevaro 1329 32
