#!/usr/bin/env bash
# A note played while the sound server is gone is skipped at once; once the server is back,
# the next note sounds again. Runs a private PulseAudio with a null sink and records its
# monitor.   server_restart.sh PROBE
set -euo pipefail
probe=$1
for tool in pulseaudio pactl parec od; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

state=$(mktemp -d)
mkdir -p "$state/home" "$state/runtime"
chmod 700 "$state/runtime"
export HOME="$state/home" XDG_RUNTIME_DIR="$state/runtime" XDG_CONFIG_HOME="$state/home/.config"
unset PULSE_SERVER ALSOFT_CONF
export KEVARO_AUDIO_PERIOD=256
pulse_pid="" probe_pid="" recorder_pid=""

stop() {
    local pid=$1
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || return 0
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
}
cleanup() {
    stop "$recorder_pid"
    stop "$probe_pid"
    stop "$pulse_pid"
    rm -rf "$state"
}
trap cleanup EXIT

start_pulse() {
    pulseaudio -D --exit-idle-time=-1 --system=false --log-target=file:"$state/pulse.log"
    for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pulse_pid=$(cat "$XDG_RUNTIME_DIR/pulse/pid")
    pactl load-module module-null-sink sink_name=v >/dev/null
    pactl set-default-sink v
}

fail() {
    echo "FAIL: $*"
    echo "--- probe stderr"; cat "$state/probe.err"
    exit 1
}

# play EXPECTED: sends one press and checks the answer, which must come within a second.
play() {
    local answer
    echo play >&"${probe[1]}"
    read -r -t 1 answer <&"${probe[0]}" || fail "the probe froze on a press"
    echo "press: $answer"
    [[ $answer == "$1 "* ]] || fail "expected the note to be $1"
}

# audible_press: records the sink while pressing and checks the recording is not silent.
audible_press() {
    parec --raw --latency-msec=100 -d v.monitor --format=s16le --channels=1 --rate=48000 >"$state/rec.raw" &
    recorder_pid=$!
    sleep 0.3
    play played
    # The monitor delivers late: wait for a second of audio.
    for _ in $(seq 50); do
        [ "$(stat -c %s "$state/rec.raw")" -ge 96000 ] && break
        sleep 0.1
    done
    stop "$recorder_pid"
    recorder_pid=""
    local loudest
    loudest=$(od -An -v -t d2 "$state/rec.raw" | tr -s ' ' '\n' | tr -d - | sort -n | tail -1)
    echo "loudest sample: ${loudest:-none}"
    [ "${loudest:-0}" -gt 4000 ] || fail "the note was not heard"
}

start_pulse
# Its note goes into the state folder too, so nothing is left behind however it ends.
coproc probe { TMPDIR="$state" exec "$probe" 2>"$state/probe.err"; }
probe_pid=$probe_PID
read -r -t 10 opened <&"${probe[0]}" || fail "the probe did not start"
[ "$opened" = opened ] || fail "the probe could not start an engine"
# The device opens in the background.
for _ in $(seq 100); do grep -q "kevaro: audio output latency" "$state/probe.err" && break; sleep 0.1; done
grep -q "kevaro: audio output latency .* (256 x 3 frames" "$state/probe.err" ||
    fail "no latency line for the requested periods"
grep "kevaro: audio output latency" "$state/probe.err" | head -1

audible_press

kill -9 "$pulse_pid"
while kill -0 "$pulse_pid" 2>/dev/null; do sleep 0.05; done
sleep 0.5
play skipped

start_pulse
sleep 3
audible_press
echo quit >&"${probe[1]}"
wait "$probe_pid" || fail "the probe failed on its way out"
probe_pid=""
echo "PASS"
