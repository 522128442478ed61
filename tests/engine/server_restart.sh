#!/usr/bin/env bash
# A note played while the sound server is gone is skipped at once; once the server is back,
# the next note sounds again. Runs a private PulseAudio with a null sink and records its
# monitor.   server_restart.sh PROBE
probe=$1
for tool in pulseaudio pactl parec od; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
source "$(dirname "$0")/../e2e/session.sh"
state=$(mktemp -d)
session_dirs root "$state"
export HOME=$state/home XDG_RUNTIME_DIR=$state/runtime XDG_CONFIG_HOME=$state/.config KEVARO_AUDIO_PERIOD=256
unset PULSE_SERVER ALSOFT_CONF
# Everything goes with the state folder: the server, the probe and its note, the recorder.
trap 'session_stop; kill -9 "${probe_PID:-}" 2>/dev/null || true; rm -rf "$state"' EXIT

fail() { echo "FAIL: $*"; cat "$state/probe.err"; exit 1; }
# answer: one press's answer, within a second.
answer() { echo play >&"${probe[1]}" && read -r -t 1 answer <&"${probe[0]}" && echo "$answer"; }
# press EXPECTED: one press, answered within a second.
press() {
    answer=$(answer) || fail "the probe froze on a press"
    [ "$answer" = "$1" ] || fail "the note was $answer, not $1"
}
# audible_press: a press while recording the sink, whose loudest sample must be loud.
audible_press() {
    start_recording "$state/rec.raw"
    press played
    # The monitor delivers late: wait for a second of audio.
    wait_for "[ \$(stat -c %s '$state/rec.raw') -ge 96000 ]" "a second of audio" || true
    stop_recording
    loudest=$(loudest "$state/rec.raw")
    echo "loudest sample: ${loudest:-none}"
    [ "${loudest:-0}" -gt 4000 ] || fail "the note was not heard"
}

session_server=pulse
server_start
pulse_pid=${session_pids[-1]}
coproc probe { TMPDIR="$state" exec "$probe" 2>"$state/probe.err"; }
{ read -r -t 10 opened <&"${probe[0]}" && [ "$opened" = opened ]; } || fail "no engine"
# The device opens in the background, with the periods asked for.
wait_for "grep -q 'kevaro: audio output latency' '$state/probe.err'" "the latency line" || true
grep "kevaro: audio output latency .* (256 frames a period at" "$state/probe.err" || fail "no latency line"
audible_press
kill -9 "$pulse_pid"
wait_for "! kill -0 $pulse_pid" "the server to end"
# Presses play until the engine learns that the server is gone; from then on they are skipped.
wait_for '[ "$(answer)" = skipped ]' "a press to be skipped" || fail "a press with the server gone still played"
press skipped
server_start
# The engine opens its output again on its own, and says so.
wait_for "[ \$(grep -c 'kevaro: audio output latency' '$state/probe.err') -ge 2 ]" "the output again" ||
    fail "no output once the server was back"
audible_press
echo quit >&"${probe[1]}"
wait "$probe_PID" || fail "the probe failed on its way out"
echo PASS
