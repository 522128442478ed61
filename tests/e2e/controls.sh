#!/usr/bin/env bash
# The piano in the real window, with the shared sound server and our volume service on a session
# bus of the test's own: each of the 21 keys sounds its own note file (a test tone), a sound set
# is chosen, a looped note sounds until stop, the slider sets the sound server's volume and
# close ends the piano with status 0. Then, on screens of other sizes, a press where a key is
# drawn plays that key.   controls.sh KEVARO SERVICE_FILE (kevaro-systeminfo beside KEVARO)
kevaro=$1
source "$(dirname "$0")/session.sh"
e2e_start
volume_before=$(pactl get-sink-volume v | grep -o '[0-9]*%' | head -n 1)
trap 'e2e_stop; pactl set-sink-volume v "$volume_before"' EXIT # the sound server is shared
volume_bus "$2" "$(dirname "$kevaro")"

tone_sets
# press_in_turn FILE X:Y...: records into FILE while pressing each place in turn, each once the
# note before has sounded and ended, so that every note stands apart in the recording.
press_in_turn() {
    local at place
    start_recording "$1"
    for place in "${@:2}"; do
        at=$(stat -c %s "$1")
        click ${place/:/ }
        wait_for "heard_out '$1' $at" "a note after the press at $place" || break
    done
    stop_recording
}
start_kevaro
press_in_turn "$work/keys.raw" $(for key in "${keys[@]}"; do echo "${key#*:}"; done)
python3 "$e2e_dir/tones.py" "$work/keys.raw" "${wanted[@]}" || fail "not every key sounded its note"

# A looped C1 from set 2 still sounds a second after the press, and no more after stop; by the
# recording's length, which is the sound server's clock.
click 390 32 # sound set 2
click 89 32  # loop
start_recording "$work/looped.raw"
at=$(stat -c %s "$work/looped.raw")
click 380 650
wait_for "[ \$(stat -c %s '$work/looped.raw') -ge $((at + 115200)) ]" "1.2 s of the loop" || fail "the recording stopped"
looped=$(loudest "$work/looped.raw" 24000)
click 166 32 # stop
at=$(stat -c %s "$work/looped.raw")
wait_for "[ \$(stat -c %s '$work/looped.raw') -ge $((at + 57600)) ]" "0.6 s after stop" || fail "the recording stopped"
stopped=$(loudest "$work/looped.raw" 24000)
stop_recording
[ "$looped" -ge 1000 ] && [ "$stopped" -lt 1000 ] ||
    fail "the looped note's peak was $looped a second after the press and $stopped after stop"
python3 "$e2e_dir/tones.py" "$work/looped.raw" 440 || fail "C1 did not play from sound set 2"

# The slider: a jump past the drag distance, then steps of 10 pixels, each once the sound
# server has the volume of the one before. The handle follows the last 100 pixels, from 250
# to 150, which is the value 60.
volume() { pactl get-sink-volume v | grep -o '[0-9]*%' | sort -u; }
xdotool mousemove 1209 30 mousedown 1 mousemove 1169 30
for x in $(seq 1159 -10 1069); do
    xdotool mousemove "$x" 30
    want=$((100 - (1169 - x) * 100 / 250))%
    wait_for '[ "$(volume)" = "$want" ]' "$want" || fail "at $x in the drag the sound server's volume is $(volume), not $want"
done
xdotool mouseup 1
close_kevaro 1329 32

# Other screens: a press where a key is drawn plays that key. The end keys, a black key and a
# white key beside a black one: G0, CIS1, D2 and DIS2.
for size in 1920x1080 1024x768; do
    x_start "$size"
    start_kevaro
    press_in_turn "$work/$size.raw" $(for at in "50 650" "434 300" "1280 650" "1345 300"; do
        echo "$(drawn_at $at | tr ' ' :)"; done)
    python3 "$e2e_dir/tones.py" "$work/$size.raw" "${wanted[0]}" "${wanted[6]}" "${wanted[19]}" "${wanted[20]}" ||
        fail "at $size a press did not play the key drawn there"
    close_kevaro $(drawn_at 1329 32) "at $size"
done
