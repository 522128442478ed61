#!/usr/bin/env bash
# End to end: the built piano in a real X window, with the shared sound server and a session bus
# of its own on which kevaro-systeminfo serves the volume. The control bar is worked with
# xdotool: the labels show, a sound set is chosen, a looped note keeps sounding until stop, the
# slider sets the sound server's volume, and close ends the piano with status 0. Then, on X
# servers of other sizes, a press where a key is drawn plays that key and close ends the piano.
#   controls.sh PATH/TO/kevaro      (kevaro-systeminfo is taken from beside it)
set -euo pipefail
kevaro=$1
systeminfo=$(dirname "$kevaro")/kevaro-systeminfo
here=$(cd "$(dirname "$0")" && pwd)
export DISPLAY=":$(cat "$KEVARO_TEST_SERVICES/xvfb/display")"
work=$(mktemp -d)
pids=()

# The percentages of every channel of the sink v, on one line.
volumes() {
    pactl get-sink-volume v | grep -o '[0-9]*%' | sort -u | tr '\n' ' '
}
volume_before=$(pactl get-sink-volume v | grep -o '[0-9]*%' | head -n 1)

cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || continue
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    done
    bash "$here/services.sh" stop dbus "$work"
    # The sound server is shared with the other tests.
    pactl set-sink-volume v "$volume_before" || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    echo "--- kevaro's output"
    tail -n 20 "$work/kevaro.err" || true
    echo "--- kevaro-systeminfo's output"
    tail -n 20 "$work/systeminfo.log" || true
    exit 1
}

expect_volume() {
    local want="$1% "
    for _ in $(seq 50); do [ "$(volumes)" = "$want" ] && return 0; sleep 0.1; done
    fail "$2: the sound server's volume is $(volumes), not $want"
}

click() {
    xdotool mousemove "$1" "$2" click 1
    sleep 0.1
}

# How many pixels of a kind (dark or red) a screenshot holds in the rectangle x y w h.
count() {
    python3 - "$@" <<'EOF'
import sys
path, kind, x, y, w, h = sys.argv[1], sys.argv[2], *map(int, sys.argv[3:])
with open(path, "rb") as f:
    data = f.read()
fields, pos = [], 0
while len(fields) < 4:  # P6, width, height, maximum, parted by white space
    while data[pos:pos + 1].isspace():
        pos += 1
    end = pos
    while not data[end:end + 1].isspace():
        end += 1
    fields.append(data[pos:end])
    pos = end
width, pixels = int(fields[1]), data[pos + 1:]
found = 0
for row in range(y, y + h):
    for col in range(x, x + w):
        r, g, b = pixels[3 * (row * width + col):3 * (row * width + col) + 3]
        if kind == "dark" and r + g + b < 200 or kind == "red" and r > 180 and g < 80 and b < 80:
            found += 1
print(found)
EOF
}

# Records the sink's output into a file until stop_recording. The stream can take a while to
# start, so this returns once the first sound has arrived.
record() {
    parec --latency-msec=2 --raw --format=s16le --rate=48000 --channels=1 -d v.monitor >"$1" &
    recorder=$!
    pids+=("$recorder")
    for _ in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.05; done
    fail "no sound arrives from the sound server"
}
stop_recording() {
    kill "$recorder"
    wait "$recorder" || true
}

# Loudest sample of a raw recording (s16le) in its last quarter second.
tail_peak() {
    python3 - "$1" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
tail = data[-2 * 12000:] if len(data) >= 2 * 12000 else b""
print(max((abs(s) for (s,) in struct.iter_unpack("<h", tail)), default=-1))
EOF
}

# Sound set 2 holds the note of key c1; a short tone that only sounds on after its end when looped.
mkdir -p "$work/home/.kevaro" "$work/one" "$work/two"
sox -n -r 48000 -b 16 -c 1 "$work/two/keyc1.wav" synth 0.2 sine 440 fade 0 0.2 0.02 vol 0.5
printf 'dir_01 = %s\ndir_02 = %s\ndirname_01 = One\ndirname_02 = Two\n' "$work/one" "$work/two" \
    >"$work/home/.kevaro/kevaro.config"

bash "$here/services.sh" start dbus "$work"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/dbus/address")
export DBUS_SESSION_BUS_ADDRESS
"$systeminfo" >"$work/systeminfo.log" 2>&1 &
pids+=($!)
service_owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:com.tiitoo.SystemInfo 2>/dev/null |
        grep -q "boolean true"
}
for _ in $(seq 100); do service_owned && break; sleep 0.1; done
service_owned || fail "kevaro-systeminfo did not take its name on the bus"

# Starting sets full volume.
pactl set-sink-volume v 37%
HOME="$work/home" QT_QPA_PLATFORM=xcb "$kevaro" >"$work/kevaro.out" 2>"$work/kevaro.err" &
kevaro_pid=$!
pids+=("$kevaro_pid")
for _ in $(seq 100); do grep -q "Start Sound" "$work/kevaro.err" && break; sleep 0.1; done
# Asked again until it answers: a window that goes while xdotool looks at it makes it fail.
shown() {
    xdotool search --onlyvisible --pid "$kevaro_pid" >/dev/null 2>&1
}
for _ in $(seq 100); do shown && break; sleep 0.1; done
shown || fail "no window of kevaro shows"
sleep 0.5
expect_volume 100 "at start"
import -window root -depth 8 "$work/before.ppm"

click 32 32  # labels
click 390 32 # sound set 2
click 89 32  # loop
record "$work/looped.raw"
click 380 650 # key c1
sleep 1.2
stop_recording
grep -q "\"$work/two/keyc1.wav\"" "$work/kevaro.err" || fail "key c1 did not play from sound set 2"
peak=$(tail_peak "$work/looped.raw")
echo "a second after the press of a looped 0.2 s note: peak $peak"
[ "$peak" -ge 1000 ] || fail "the looped note stopped by itself (peak $peak a second after the press)"

click 166 32 # stop
record "$work/stopped.raw"
sleep 0.6
stop_recording
peak=$(tail_peak "$work/stopped.raw")
echo "after stop: peak $peak"
[ "$peak" -ge 0 ] && [ "$peak" -lt 1000 ] || fail "the looped note sounds on after stop (peak $peak)"

# The slider: a jump past the drag distance, then steps of 10 pixels. The handle follows the
# last 100 pixels, from 250 to 150, which is the value 60.
xdotool mousemove 1209 30 mousedown 1
sleep 0.1
for x in 1169 $(seq 1159 -10 1069); do
    xdotool mousemove "$x" 30
    sleep 0.05
done
xdotool mouseup 1
expect_volume 60 "after the drag"
sleep 0.5 # the flips turn in half a second
import -window root -depth 8 "$work/after.ppm"

# Dark pixels where the labels of g1 and c2 go, on white keys.
label_pixels() {
    echo $(($(count "$1" dark 826 700 30 16) + $(count "$1" dark 1162 700 30 16)))
}
before=$(label_pixels "$work/before.ppm")
after=$(label_pixels "$work/after.ppm")
echo "dark pixels at the labels of g1 and c2: $before before, $after after"
[ "$before" -lt 5 ] && [ "$after" -ge 20 ] || fail "the labels did not show"
for toggle in "label 7" "loop 64"; do
    read -r name x <<<"$toggle"
    before=$(count "$work/before.ppm" red "$x" 7 50 50)
    after=$(count "$work/after.ppm" red "$x" 7 50 50)
    echo "red pixels on the $name toggle: $before before, $after after"
    [ "$before" -eq 0 ] && [ "$after" -ge 5 ] || fail "the $name toggle does not show it is on"
done
before="$(count "$work/before.ppm" red 220 7 100 50) $(count "$work/before.ppm" red 340 7 100 50)"
after="$(count "$work/after.ppm" red 220 7 100 50) $(count "$work/after.ppm" red 340 7 100 50)"
echo "red pixels on captions 1 and 2: $before before, $after after"
read -r first second <<<"$after"
[ "$first" -eq 0 ] && [ "$second" -ge 5 ] || fail "the caption of sound set 2 is not the red one"

click 1329 32 # close
for _ in $(seq 100); do kill -0 "$kevaro_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$kevaro_pid" 2>/dev/null && fail "kevaro did not end after close"
status=0
wait "$kevaro_pid" || status=$?
[ "$status" -eq 0 ] || fail "kevaro ended with status $status"

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
    xvfb=$!
    pids+=("$xvfb")
    for _ in $(seq 100); do [ -s "$work/display-$size" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$work/display-$size")"
    HOME="$work/home" QT_QPA_PLATFORM=xcb "$kevaro" >"$work/kevaro.out" 2>"$work/kevaro.err" &
    kevaro_pid=$!
    pids+=("$kevaro_pid")
    for _ in $(seq 100); do shown && break; sleep 0.1; done
    shown || fail "no window of kevaro shows at $size"
    sleep 1
    # The end keys, a black key and a white key beside a black one.
    for key in "keyg0 50 650" "keycis1 434 300" "keyd2 1280 650" "keydis2 1345 300"; do
        read -r name x y <<<"$key"
        click $(drawn_at "$w" "$h" "$x" "$y")
    done
    played=$(grep -o '/one/key[a-z0-9]*\.wav' "$work/kevaro.err" | sed 's|/one/||; s|\.wav||' | tr '\n' ' ')
    echo "at $size the presses played: $played"
    [ "$played" = "keyg0 keycis1 keyd2 keydis2 " ] || fail "the wrong keys played at $size"
    click $(drawn_at "$w" "$h" 1329 32)
    for _ in $(seq 100); do kill -0 "$kevaro_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$kevaro_pid" 2>/dev/null && fail "kevaro did not end after close at $size"
    status=0
    wait "$kevaro_pid" || status=$?
    [ "$status" -eq 0 ] || fail "kevaro ended with status $status at $size"
    kill "$xvfb"
    wait "$xvfb" 2>/dev/null || true
done
echo "e2e_controls: ok"
