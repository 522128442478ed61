#!/usr/bin/env bash
# The screen keeps answering whatever the piano waits for: a sound server that hangs (its
# processes stopped), and a note file whose stat and read hang (slowfs, a FUSE file system,
# holds them). Each time the label toggle must show the labels before anything is let go; then
# the note is heard.   responsive.sh KEVARO pulse|pipewire [SLOWFS]
kevaro=$1 slowfs=${3:-}
for tool in setpriv prlimit /usr/libexec/rtkit-daemon /usr/lib/polkit-1/polkitd; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }; done
source "$(dirname "$0")/session.sh"
e2e_start kevaro-test "$2" yes
notes=$work/notes
# Stopped by the session first: slowfs unmounts itself, else it is forced off.
trap 'rm -f "$work/hold"; session_stop; ! mountpoint -q "$notes" || fusermount3 -uz "$notes"; e2e_stop' EXIT
# Each its own pitch, so that a press on C1 that plays another key is heard as wrong.
keys=(c1:380:650:523.25 d1:490:650:587.33 e1:613:650:659.26 f1:700:650:698.46 g1:820:650:783.99
    a1:950:650:880)
for key in "${keys[@]}"; do tone "$work/tones/key${key%%:*}.wav" "${key##*:}"; done
if [ -n "$slowfs" ] && [ -w /dev/fuse ]; then
    mkdir "$notes"
    spawn "$slowfs" "$work/tones" keyc1.wav "$work/hold" "$notes" -f \
        -o allow_other,attr_timeout=0,entry_timeout=0,negative_timeout=0 >"$work/slowfs.log"
    wait_for "mountpoint -q '$notes'" "slowfs" || fail "slowfs did not mount"
else
    notes=$work/tones
fi
# Set 1 plays; set 2 is the same notes behind slowfs, not loaded until it is chosen.
settings "$work/tones" "$notes"
start_kevaro KEVARO_IDLE_PAUSE_SECONDS=1

# The keys without labels and with them, once drawn (two shots in a row agree).
shot "$work/plain.png"
click 32 32
wait_for "shot '$work/labels.png' && ! compare -fuzz 3% -metric AE '$work/plain.png' '$work/labels.png' null: &&
    shot '$work/now.png' && compare -fuzz 3% -metric AE '$work/labels.png' '$work/now.png' null:" "the labels" ||
    fail "the label toggle showed no labels"
click 32 32
screen_shows "$work/plain.png" "without labels" || fail "the label toggle did not hide the labels"

# hung_round WHEN: Stop, five presses and the label toggle while the sound server is stopped.
hung_round() {
    kill -STOP $server_pids
    click 166 32
    for key in "${keys[@]:1}"; do IFS=: read -r _ x y _ <<<"$key" && click "$x" "$y"; done
    click 32 32
    screen_shows "$work/labels.png" "with labels while the sound server hangs" ||
        fail "while the sound server hung $1, the screen froze"
    kill -CONT $server_pids
    click 32 32
    screen_shows "$work/plain.png" "without labels" || fail "the label toggle did not hide the labels"
}
wait_for '[ "$(stream_state)" = paused ]' "the output to pause" || fail "idle, the output is $(stream_state)"
hung_round "with the output paused"
click 89 32 # loop
click 380 650
wait_for '[ "$(stream_state)" = running ]' "the output to run" || fail "a press left the output $(stream_state)"
hung_round "with a looped note playing"
click 166 32 && click 89 32 # silence, no loop
start_recording "$work/quiet.raw"
wait_for '[ "$(loudest "$work/quiet.raw" 4800)" -lt 1000 ]' "silence" || fail "Stop did not silence the piano"
stop_recording
within=1000 press_heard "a press once the sound server runs again"

[ "$notes" != "$work/tones" ] || { echo "SKIP: no slowfs or no /dev/fuse for the held note file"; exit 77; }
# Set 2's C1 is held: choosing the set and pressing C1 waits for the file, the label toggle
# does not.
start_recording "$work/held.raw"
touch "$work/hold"
click 390 32
click 380 650
wait_for "grep -q 'held keyc1.wav' '$work/slowfs.log'" "the press to reach the note file" ||
    fail "the piano did not look at the held note file"
click 32 32
screen_shows "$work/labels.png" "with labels while the note file is held" ||
    fail "while the note file was held, the screen froze"
rm "$work/hold"
wait_for '[ "$(loudest "$work/held.raw")" -gt 4000 ]' "the held note" || fail "the held note was not heard once let go"
stop_recording
close_kevaro 1329 32
