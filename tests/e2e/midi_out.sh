#!/usr/bin/env bash
# The piano's MIDI output and its screen following MIDI in, on a plain user's PipeWire. Presses by
# real pointer while pw-mididump listens on "Kevaro:midi-out": a note-on and one note-off for
# each press, in order, with the key's number, whatever ends it (a lift, sliding off, Stop); Stop
# sends all-notes-off after them; what comes in is not sent on. A key held on a MIDI keyboard is
# shown held; its sustain pedal holds a lifted key's press until Stop; program change 1 chooses
# sound set 2. With the preference [midi] autoconnect = false a MIDI keyboard is left unlinked.
#   midi_out.sh KEVARO
kevaro=$1
for tool in setpriv prlimit pw-midiplay pw-mididump pw-link /usr/libexec/rtkit-daemon /usr/lib/polkit-1/polkitd; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }; done
source "$(dirname "$0")/session.sh"
e2e_start kevaro-test pipewire yes
tone_sets
midi() { python3 "$e2e_dir/midi.py" "$@"; }
# A1 held by MIDI with the pedal down; program change 1, then C1.
midi events "$work/held.mid" 0:b0:40:7f 100:90:45:64 1500:80:45:00
midi events "$work/program.mid" 0:c0:01 1000:90:3c:64 1600:80:3c:00
chmod 644 "$work"/*.mid

# play FILE: pw-midiplay plays FILE into the piano's input; returns when it has played all.
play() {
    spawn as_user pw-midiplay -P '{ node.autoconnect = false }' "$1"
    local player=$!
    wait_for "as_user pw-link -o | grep -q '^pw-midiplay:'" "pw-midiplay's port" &&
        as_user pw-link "$(as_user pw-link -o | grep -m 1 '^pw-midiplay:')" Kevaro:midi-in ||
        fail "could not link pw-midiplay to Kevaro:midi-in"
    ${while_playing:-} || true
    wait "$player" || fail "pw-midiplay failed"
}
# heard_as WHAT: the messages pw-mididump heard since the last call, one a line: "on 60",
# "off 60", "cc 123".
dumped=0
heard_as() {
    tail -n +$((dumped + 1)) "$work/dump" | python3 -c 'import re, sys
names = ["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"]
for line in sys.stdin:
    note = re.search(r"Note (On|Off) .*note +([A-G]#?)(-?\d+)", line)
    cc = re.search(r"Controller .*controller (\d+)", line)
    if note:  # pw-mididump names MIDI 60 C4
        print(note[1].lower(), names.index(note[2]) + 12 * (int(note[3]) + 1))
    elif cc:
        print("cc", cc[1])' >"$work/messages"
    dumped=$(grep -c . "$work/dump" || true)
    [ "$(paste -sd, "$work/messages")" = "$2" ] || fail "$1 sent $(paste -sd, "$work/messages"), not $2"
}
dump_has() { [ "$(grep -c . "$work/dump" || true)" -ge $((dumped + $1)) ]; }

start_kevaro
spawn as_user pw-mididump >"$work/dump"
wait_for "as_user pw-link -i | grep -qx midi-dump:input" "pw-mididump's port" || fail "no pw-mididump"
as_user pw-link Kevaro:midi-out midi-dump:input || fail "could not link Kevaro:midi-out"

click 380 650 # C1
xdotool mousemove 434 300 mousedown 1 mouseup 1 # CIS1
wait_for "dump_has 4" "four messages" || true
heard_as "two presses" "on 60,off 60,on 61,off 61"
# Sliding off D1 onto E1 ends its press; back on D1 it is pressed anew.
at=$dumped
for step in "mousemove 490 650 mousedown 1" "mousemove 613 650" "mousemove 490 650" "mouseup 1"; do
    xdotool $step
    wait_for "dump_has $((++at - dumped))" "the message after $step" || break
done
heard_as "a press sliding off and back" "on 62,off 62,on 62,off 62"

# A1 held on a MIDI keyboard shows held, and no more once let go; what came in is not sent on.
shot "$work/idle.png"
differs() { shot "$work/now.png"; ! compare -fuzz 3% -metric AE "$work/idle.png" "$work/now.png" null: 2>/dev/null; }
shown=no
held_shown() { wait_for differs "A1 shown held" && shown=yes; }
while_playing=held_shown play "$work/held.mid"
[ "$shown" = yes ] || fail "a key held on a MIDI keyboard was not shown held"
screen_shows "$work/idle.png" "after the MIDI key was let go" || fail "the key let go on MIDI still shows held"
# The pedal is still down: F1 let go rings on, and its press ends at Stop, before all-notes-off.
click 700 650 # F1
wait_for "dump_has 1" "F1's note-on" || true
heard_as "F1 with the pedal down" "on 65"
click 166 32 # Stop
wait_for "dump_has 2" "Stop's messages" || true
heard_as "Stop" "off 65,cc 123"

# Program change 1 chooses sound set 2, whose C1 is a tone of 440 Hz (set 1's is middle C).
start_recording "$work/program.raw"
play "$work/program.mid"
wait_for "heard_out '$work/program.raw' 0" "C1 to sound and end" || fail "C1 after the program change was not heard"
stop_recording
python3 "$e2e_dir/tones.py" "$work/program.raw" 440 || fail "program change 1 did not choose sound set 2"
close_kevaro 1329 32

# With [midi] autoconnect = false a MIDI keyboard stays unlinked: its note, played to
# pw-mididump here, is not heard, and no link to the piano was made.
mkdir -p "$work/home/.config/kevaro"
printf '[midi]\nautoconnect=false\n' >"$work/home/.config/kevaro/kevaro.conf"
chown -R "$session_user:" "$work/home/.config"
start_kevaro
start_recording "$work/unlinked.raw"
unlinked() {
    wait_for "as_user pw-link -o | grep -q '^pw-midiplay:'" "the MIDI keyboard's port" &&
        as_user pw-link "$(as_user pw-link -o | grep -m 1 '^pw-midiplay:')" midi-dump:input
}
spawn as_user pw-midiplay -P '{ node.autoconnect = false media.class = "Midi/Bridge" }' "$work/program.mid"
player=$!
unlinked || fail "could not link the MIDI keyboard to pw-mididump"
wait "$player" || fail "pw-midiplay failed"
stop_recording
[ "$(loudest "$work/unlinked.raw")" -lt 1000 ] && ! as_user pw-link -l | grep -q '|<- pw-midiplay' ||
    fail "with autoconnect off the piano linked a MIDI keyboard"
close_kevaro 1329 32
