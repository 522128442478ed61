#!/usr/bin/env bash
# A plain user's desktop session on PulseAudio or PipeWire, with RealtimeKit on a private system
# bus, as a desktop has it:   plain_user.sh KEVARO pulse|pipewire
# The mixer ends up real-time through RealtimeKit, a press right after the window shows is
# heard, close ends the piano while the sound server hangs, and without a RealtimeKit the
# piano says so and takes longer periods.
set -euo pipefail
kevaro=$1 server=$2
here=$(cd "$(dirname "$0")" && pwd)
for tool in setpriv prlimit /usr/libexec/rtkit-daemon /usr/lib/polkit-1/polkitd pactl parec; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
source "$here/session.sh"
work=$(mktemp -d)
trap 'session_stop; rm -rf "$work"' EXIT
session_start kevaro-test "$server" "$work"
realtimekit_start yes
home=$work/home
mkdir -p "$home/.kevaro" "$home/tones"
sox -n -r 48000 -b 16 -c 1 "$home/tones/keyc1.wav" synth 0.4 sine 523.25 vol 0.5
printf 'dir_01 = %s\n' "$home/tones" >"$home/.kevaro/kevaro.config"
chown -R kevaro-test: "$home"

fail() {
    echo "FAIL: $*"
    grep -v '^"' "$home/kevaro.err" | tail -20
    exit 1
}

start_kevaro() {
    as_user env QT_QPA_PLATFORM=xcb "$@" "$kevaro" >/dev/null 2>"$home/kevaro.err" &
    kevaro_pid=$!
    session_pids+=("$kevaro_pid")
    for _ in $(seq 200); do
        xdotool search --onlyvisible --pid "$kevaro_pid" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    fail "no window"
}

# press_heard WHAT: C1 is pressed and heard at the sink.
press_heard() {
    as_user parec --raw --latency-msec=50 --format=s16le --channels=1 --rate=48000 -d v.monitor \
        >"$work/rec.raw" &
    recorder=$!
    session_pids+=("$recorder")
    sleep 0.5
    [ -n "${kevaro_pid:-}" ] || { start_kevaro; sleep 0.1; }
    xdotool mousemove 380 650 click 1
    sleep 1.5
    kill "$recorder"
    loudest=$(od -An -v -t d2 "$work/rec.raw" | tr -s ' ' '\n' | tr -d - | sort -n | tail -1)
    echo "loudest sample after $1: ${loudest:-none}"
    [ "${loudest:-0}" -gt 4000 ] || fail "$1 was not heard"
}
press_heard "the first press"
grep "kevaro: audio output latency" "$home/kevaro.err" || fail "no latency line"
grep -q "(256 x 3 frames.*real-time mixer: RealtimeKit)" "$home/kevaro.err" ||
    fail "the mixer did not get real-time priority from RealtimeKit"
realtime=0
for task in /proc/"$kevaro_pid"/task/*; do
    chrt -p "${task##*/}" | grep -q SCHED_RR && realtime=$((realtime + 1))
done
echo "threads at SCHED_RR: $realtime"
[ "$realtime" -gt 0 ] || fail "no thread of the piano runs real-time"

# After a while of silence the output rests; the next press wakes it.
sleep 6
press_heard "a press after 6 s of silence"

# The sound server hangs; close must still end the piano.
server_pids=$(pgrep -u kevaro-test -x 'pulseaudio|pipewire|pipewire-pulse' | paste -sd' ')
kill -STOP $server_pids
xdotool mousemove 1329 32 click 1
for _ in $(seq 100); do kill -0 "$kevaro_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$kevaro_pid" 2>/dev/null && { kill -CONT $server_pids; fail "close did not end the piano while the server hung"; }
status=0
wait "$kevaro_pid" || status=$?
kill -CONT $server_pids
[ "$status" -eq 0 ] || fail "kevaro ended with status $status"
echo "closed with status 0 while the sound server was stopped"

# No RealtimeKit: one line, longer periods, and it still plays.
start_kevaro DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/nothing"
for _ in $(seq 100); do grep -q "audio output latency" "$home/kevaro.err" && break; sleep 0.1; done
grep "kevaro: no real-time mixer" "$home/kevaro.err" || fail "no line about the missing RealtimeKit"
grep -q "(1024 x 3 frames.*real-time mixer: none)" "$home/kevaro.err" ||
    fail "without a real-time mixer the periods should be longer"
xdotool mousemove 1329 32 click 1
wait "$kevaro_pid" || fail "kevaro ended with status $?"
echo "PASS"
