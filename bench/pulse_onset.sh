#!/usr/bin/env bash
# PulseOutput on a private PulseAudio with a null sink: note start to its first sample at the
# sink, mixed into the queued frames and waiting behind them, beside paplay of the same tone
# (medians of 20); then the underflows in 20 s with both cores busy, for both periods.
#   pulse_onset.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
bench=$build/bench
source "$(dirname "$0")/../tests/e2e/session.sh"
work=$(mktemp -d)
session_dirs root "$work"
export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/.config
busy=()
trap 'kill "${busy[@]}" 2>/dev/null || true; session_stop; rm -rf "$work"' EXIT
session_server=pulse
server_start
pactl unload-module module-suspend-on-idle 2>/dev/null || true

record() {
    "$bench/bench_monitor" record v.monitor "$work/rec.raw" "$work/rec.idx" >"$work/rec.out" 2>"$work/rec.err" &
    recorder=$!
    for _ in $(seq 100); do grep -q recording "$work/rec.out" && break; sleep 0.05; done
    sleep 0.5
}
stop_recording() { sleep 0.5; kill -INT "$recorder"; wait "$recorder" || true; }

sox -n -r 48000 -b 16 -c 1 "$work/c5.wav" synth 0.25 sine 523.25 fade 0.002 0.25 0.01 vol 0.5
for period in 256 1024; do
    echo "-- $period-frame periods"
    record
    "$bench/bench_pulse_onset" onset late "$period" 20 300 >"$work/late" 2>"$work/late.err"
    "$bench/bench_pulse_onset" onset plain "$period" 20 300 >"$work/plain" 2>"$work/plain.err"
    "$bench/bench_spawn" --count 20 --every 300 paplay "$work/c5.wav" >"$work/paplay"
    sleep 0.5
    stop_recording
    "$bench/bench_monitor" match "$work/rec.raw" "$work/rec.idx" 523.25 250 \
        "mixed into the queue=$work/late" "behind the queue=$work/plain" "paplay=$work/paplay"
    echo "late: $(cat "$work/late.err")"
    echo "plain: $(cat "$work/plain.err")"
done

echo "-- underflows in 20 s with both cores busy"
sha256sum /dev/zero & busy+=("$!")
sha256sum /dev/zero & busy+=("$!")
for period in 256 1024; do
    n=$("$bench/bench_pulse_onset" dropouts "$period" 20 2>"$work/drop.err")
    echo "$period-frame periods: $n underflows ($(cat "$work/drop.err"))"
done
kill "${busy[@]}"
busy=()
echo "server log, underruns:"
grep -ci underrun "$session_dir/server.log" || true
