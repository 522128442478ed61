#!/usr/bin/env bash
# A note played while the sound server is gone is skipped at once; once the server is back,
# the next note sounds again. Runs a private PulseAudio with a null sink and records its
# monitor.   server_restart.sh PROBE
set -euo pipefail
probe=$1
for tool in pulseaudio pactl parec od; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
state=$(mktemp -d) # private (0700): home and runtime folder as well
export HOME=$state XDG_RUNTIME_DIR=$state XDG_CONFIG_HOME=$state/.config KEVARO_AUDIO_PERIOD=256
unset PULSE_SERVER ALSOFT_CONF
pids=()
# Everything goes with the state folder: the server, the probe and its note, the recorder.
trap 'kill -9 "${pids[@]}" 2>/dev/null; rm -rf "$state"' EXIT

start_pulse() {
    pulseaudio -D --exit-idle-time=-1 --system=false --log-target=file:"$state/pulse.log"
    for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pulse_pid=$(cat "$XDG_RUNTIME_DIR/pulse/pid")
    pids+=("$pulse_pid")
    pactl load-module module-null-sink sink_name=v >/dev/null
    pactl set-default-sink v
}
fail() { echo "FAIL: $*"; cat "$state/probe.err"; exit 1; }
# press EXPECTED: one press, answered within a second.
press() {
    echo play >&"${probe[1]}"
    read -r -t 1 answer <&"${probe[0]}" || fail "the probe froze on a press"
    [ "$answer" = "$1" ] || fail "the note was $answer, not $1"
}
# audible_press: a press while recording the sink, whose loudest sample must be loud.
audible_press() {
    parec --raw -d v.monitor --format=s16le --channels=1 --rate=48000 >"$state/rec.raw" &
    pids+=($!)
    sleep 0.3
    press played
    # The monitor delivers late: wait for a second of audio.
    for _ in $(seq 50); do [ "$(stat -c %s "$state/rec.raw")" -ge 96000 ] && break; sleep 0.1; done
    kill "${pids[-1]}"
    loudest=$(od -An -v -t d2 "$state/rec.raw" | tr -s ' ' '\n' | tr -d - | sort -n | tail -1)
    echo "loudest sample: ${loudest:-none}"
    [ "${loudest:-0}" -gt 4000 ] || fail "the note was not heard"
}

start_pulse
coproc probe { TMPDIR="$state" exec "$probe" 2>"$state/probe.err"; }
pids+=("$probe_PID")
{ read -r -t 10 opened <&"${probe[0]}" && [ "$opened" = opened ]; } || fail "no engine"
# The device opens in the background, with the periods asked for.
for _ in $(seq 100); do grep -q "kevaro: audio output latency" "$state/probe.err" && break; sleep 0.1; done
grep "kevaro: audio output latency .* (256 x 3 frames" "$state/probe.err" || fail "no latency line"
audible_press
kill -9 "$pulse_pid"
while kill -0 "$pulse_pid" 2>/dev/null; do sleep 0.05; done
sleep 0.5
press skipped
start_pulse
sleep 3
audible_press
echo quit >&"${probe[1]}"
wait "$probe_PID" || fail "the probe failed on its way out"
echo PASS
