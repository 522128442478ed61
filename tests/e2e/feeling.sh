#!/usr/bin/env bash
# Playing with feeling, heard on the sound server of a plain user's session, C1 held by the real
# pointer: with the preferences read from their file at start (dynamics and notes that stop on
# release), a press near the front of the key is at least 12 dB louder than one near its back,
# and a lifted key's note ends within 200 ms of audio without a click. Both switched off in the
# settings panel: the two presses are equally loud (within 1 dB), at full loudness, and a note
# still rings a second after its lift.   feeling.sh KEVARO pulse|pipewire
kevaro=$1
for tool in setpriv prlimit; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }; done
source "$(dirname "$0")/session.sh"
e2e_start kevaro-test "$2"
# A steady C1 of 4 s, long enough to be held and let go of mid-note.
tone "$work/home/tones/keyc1.wav" 523.25 4
preferences=$work/home/.config/kevaro/kevaro.conf
mkdir -p "${preferences%/*}"
printf '[touch]\ndynamics=true\nstopOnRelease=true\n' >"$preferences"
settings "$work/home/tones"
back="380 150" front="380 740"

# hold X Y: holds the pointer's button on X Y for 0.6 s of the recording $take; sets $pressed
# and $lifted to the recording's length at the press and at the lift.
hold() {
    pressed=$(stat -c %s "$take")
    xdotool mousemove "$1" "$2" mousedown 1
    wait_for "[ \$(stat -c %s '$take') -ge $((pressed + 57600)) ]" "0.6 s of the press" || fail "the recording stopped"
    lifted=$(stat -c %s "$take")
    xdotool mouseup 1
}

# after SECONDS: until the recording $take has that much more.
after() {
    local at
    at=$(stat -c %s "$take")
    wait_for "[ \$(stat -c %s '$take') -ge $((at + 10#${1/./} * 9600)) ]" "$1 s of the recording" || fail "the recording stopped"
}

# levels WHAT: the peaks in dBFS of the back press ($back_at to $front_at of $take) and of the
# front one ($front_at to its end) as $back_db and $front_db, and by how much the front one is
# louder as $apart; printed.
levels() {
    back_db=$(python3 "$e2e_dir/levels.py" peak "$take" "$back_at" "$front_at")
    front_db=$(python3 "$e2e_dir/levels.py" peak "$take" "$front_at" "$(stat -c %s "$take")")
    apart=$(awk -v b="$back_db" -v f="$front_db" 'BEGIN { printf "%.1f", f - b }')
    echo "$1: near the back $back_db dBFS, near the front $front_db dBFS, $apart dB apart"
}

# at_least A B [MARGIN]: A is at least B, or less by MARGIN at most.
at_least() { awk -v a="$1" -v b="$2" -v m="${3:-0}" 'BEGIN { exit !(a + m >= b) }'; }

start_kevaro

# Dynamics and release on, from the file.
take=$work/on.raw
start_recording "$take"
hold $back
back_at=$pressed
after 0.4
hold $front
front_at=$pressed lift_at=$lifted
after 0.6
stop_recording
levels "dynamics on"
at_least "$apart" 12 || fail "with dynamics the front press is only $apart dB louder"
loudest_db=$front_db
python3 "$e2e_dir/levels.py" release "$take" "$lift_at" || fail "a lifted key's note did not end as it should"

# Both off in the panel, at once and in the file.
click 865 32
click 572 535 # dynamics
click 572 567 # notes stop on release
click 865 32
wait_for "grep -qx 'dynamics=false' '$preferences' && grep -qx 'stopOnRelease=false' '$preferences'" \
    "the preferences written" || fail "the panel did not write the preferences: $(cat "$preferences")"

take=$work/off.raw
start_recording "$take"
hold $back
back_at=$pressed lift_at=$lifted
after 1.5
python3 "$e2e_dir/levels.py" rings "$take" "$lift_at" || fail "without release a lifted key's note ended"
wait_for "heard_out '$take' $back_at" "the note to end" || fail "the note did not end"
hold $front
front_at=$pressed
after 0.6
stop_recording
levels "dynamics off"
at_least "$apart" -1 && at_least 1 "$apart" || fail "without dynamics the presses differ by $apart dB"
# At full loudness, as the front edge's with dynamics.
at_least "$back_db" "$loudest_db" 0.5 || fail "without dynamics the presses are quieter than with them"
close_kevaro 1329 32
