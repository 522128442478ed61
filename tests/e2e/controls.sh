#!/usr/bin/env bash
# End to end: the built piano in a real X window, with the shared sound server and a session bus
# of its own on which kevaro-systeminfo serves the volume. The control bar is worked with
# xdotool: a sound set is chosen, a looped note keeps sounding until stop, the slider sets the
# sound server's volume, and close ends the piano with status 0. Then, on X servers of other
# sizes, a press where a key is drawn plays that key and close ends the piano.
#   controls.sh PATH/TO/kevaro      (kevaro-systeminfo is taken from beside it)
set -euo pipefail
kevaro=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

volumes() { pactl get-sink-volume v | grep -o '[0-9]*%' | sort -u | tr '\n' ' '; }
volume_before=$(pactl get-sink-volume v | grep -o '[0-9]*%' | head -n 1)
cleanup() {
    e2e_cleanup
    bash "$here/services.sh" stop dbus "$work"
    # The sound server is shared with the other tests.
    pactl set-sink-volume v "$volume_before" || true
}
trap cleanup EXIT
expect_volume() {
    for _ in $(seq 50); do [ "$(volumes)" = "$1% " ] && return 0; sleep 0.1; done
    fail "$2: the sound server's volume is $(volumes), not $1%"
}

# Sound set 2 holds the note of key c1; a short tone that only sounds on after its end when looped.
mkdir -p "$work/home/.kevaro" "$work/one" "$work/two"
sox -n -r 48000 -b 16 -c 1 "$work/two/keyc1.wav" synth 0.2 sine 440 fade 0 0.2 0.02 vol 0.5
printf 'dir_01 = %s\ndir_02 = %s\ndirname_01 = One\ndirname_02 = Two\n' "$work/one" "$work/two" \
    >"$work/home/.kevaro/kevaro.config"
export HOME="$work/home"

bash "$here/services.sh" start dbus "$work"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/dbus/address")
"$(dirname "$kevaro")/kevaro-systeminfo" >"$work/systeminfo.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:com.tiitoo.SystemInfo 2>/dev/null |
        grep -q "boolean true" && break
    sleep 0.1
done

# Starting sets full volume.
pactl set-sink-volume v 37%
start_kevaro "$kevaro"
expect_volume 100 "at start"

click 390 32 # sound set 2
click 89 32  # loop
start_recording "$work/looped.raw"
click 380 650 # key c1
sleep 1.2
stop_recording
grep -q "\"$work/two/keyc1.wav\"" "$work/kevaro.err" || fail "key c1 did not play from sound set 2"
peak=$(tail_peak "$work/looped.raw")
[ "$peak" -ge 1000 ] || fail "the looped note stopped by itself (peak $peak a second after the press)"

click 166 32 # stop
start_recording "$work/stopped.raw"
sleep 0.6
stop_recording
peak=$(tail_peak "$work/stopped.raw")
[ "$peak" -ge 0 ] && [ "$peak" -lt 1000 ] || fail "the looped note sounds on after stop (peak $peak)"

# The slider: a jump past the drag distance, then steps of 10 pixels. The handle follows the
# last 100 pixels, from 250 to 150, which is the value 60.
DISPLAY="$display" xdotool mousemove 1209 30 mousedown 1
for x in 1169 $(seq 1159 -10 1069); do
    sleep 0.05
    DISPLAY="$display" xdotool mousemove "$x" 30
done
DISPLAY="$display" xdotool mouseup 1
expect_volume 60 "after the drag"
close_kevaro 1329 32

# Other screens: the scene is scaled to fit and centred. The place in a screen of w x h pixels
# of the point x y of the 1366x768 scene.
drawn_at() {
    awk -v w="$1" -v h="$2" -v x="$3" -v y="$4" 'BEGIN {
        s = w / 1366 < h / 768 ? w / 1366 : h / 768
        printf "%d %d", (w - 1366 * s) / 2 + x * s, (h - 768 * s) / 2 + y * s }'
}
for size in 1920x1080 1280x800 1024x768; do
    w=${size%x*} h=${size#*x}
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display-$size" \
        >"$work/xvfb-$size.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$work/display-$size" ] && break; sleep 0.1; done
    display=":$(cat "$work/display-$size")"
    start_kevaro "$kevaro"
    # The end keys, a black key and a white key beside a black one.
    for key in "50 650" "434 300" "1280 650" "1345 300"; do
        click $(drawn_at "$w" "$h" $key)
        sleep 0.1
    done
    played=$(grep -o '/one/key[a-z0-9]*\.wav' "$work/kevaro.err" | sed 's|/one/||; s|\.wav||' | tr '\n' ' ')
    [ "$played" = "keyg0 keycis1 keyd2 keydis2 " ] || fail "at $size the presses played: $played"
    close_kevaro $(drawn_at "$w" "$h" 1329 32) "at $size"
done
echo "e2e_controls: ok"
