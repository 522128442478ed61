#!/usr/bin/env bash
# Prints Kevaro's figures, run from the repository's root: bench/run.sh
#   1. play to sound server: Kevaro's engine, paplay per note and QSoundEffect on one null
#      sink, idle and with both cores busy
#   2. touch to sound: xdotool presses on the real piano under Xvfb
#   3. what a press costs the GUI thread (sounder::dosound)
#   4. start-up to first frame and resident memory, software renderer (Kevaro's) and OpenGL
#   5. whole sessions of a plain user, PulseAudio and PipeWire, with and without RealtimeKit,
#      touch to sound beside MIDI in to sound and the polyphony MIDI reaches on PipeWire
#      (bench/sessions.sh, as root; its variables narrow it)
# KEVARO_BENCH_SECTIONS picks sections (default "1 2 3 4 5"): "5" alone runs the sessions only.
# It builds into $KEVARO_BUILD_DIR (default build/), starts a private PulseAudio and Xvfb and
# stops everything it started again; the sessions start after that PulseAudio is stopped.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KEVARO_BUILD_DIR:-$root/build}
bench=$build/bench
services=$root/tests/e2e/services.sh

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

sections=" ${KEVARO_BENCH_SECTIONS:-1 2 3 4 5} "
wants() { [[ "$sections" == *" $1 "* ]]; }

# The comparison needs Qt Multimedia; the piano does not, so it is not in tools/packages.txt.
"$root/tools/install-deps.sh"
missing=()
for p in $(wants 1 && echo qt6-multimedia-dev qml6-module-qtmultimedia); do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

targets=(kevaro bench_monitor bench_spawn)
wants 1 && targets+=(bench_play_engine bench_play_qsoundeffect)
wants 3 && targets+=(bench_dosound)
wants 4 && targets+=(bench_firstframe)
wants 5 && targets+=(bench_stream_floor bench_xruns bench_midi_send)
# The engine's owner keeps a polyphony bench; print its figures when it is there.
polyphony=0
wants 1 && grep -q 'bench_engine_polyphony' "$root/bench/CMakeLists.txt" && polyphony=1 && targets+=(bench_engine_polyphony)
echo "Building ${targets[*]} in $build"
cmake -S "$root" -B "$build" -DKEVARO_BENCH=ON >"$build.bench-configure.log" 2>&1 || { cat "$build.bench-configure.log"; exit 1; }
rm -f "$build.bench-configure.log"
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    bash "$services" stop pulse "$work" || true
    bash "$services" stop xvfb "$work" || true
    bash "$services" stop dbus "$work" || true
    [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

if wants 1 || wants 2 || wants 3 || wants 4; then
    bash "$services" start pulse "$work"
    bash "$services" start xvfb "$work"
    # A bus of our own, so that nothing under X autolaunches one that outlives the run.
    bash "$services" start dbus "$work"
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/dbus/bus
    export PULSE_SERVER=unix:$work/pulse/runtime/pulse/native
    # A suspended sink feeds its monitor nothing, so the recording would start with the first
    # note, and that note would be lost. Here the sink runs from the start.
    pactl unload-module module-suspend-on-idle
    pactl suspend-sink v 0
    display=":$(cat "$work/xvfb/display")"
fi

# tone FILE HZ SECONDS: a sine at half scale with a straight 2 ms rise and 10 ms fall, so its
# onset is sharp, its length exact, and any gap in its middle shows.
tone() {
    sox -n -r 48000 -b 16 -c 1 "$1" synth "$3" sine "$2" fade t 0.002 "$3" 0.01 vol 0.5
}

# A sound set of 22 notes, keyXX.wav, each at its key's pitch, and a home that points at it.
keys=(c0:48 g0:55 gis0:56 a0:57 ais0:58 h0:59 c1:60 cis1:61 d1:62 dis1:63 e1:64 f1:65 fis1:66
    g1:67 gis1:68 a1:69 ais1:70 h1:71 c2:72 cis2:73 d2:74 dis2:75)
mkdir -p "$work/tones" "$work/home/.kevaro"
for key in "${keys[@]}"; do
    tone "$work/tones/key${key%:*}.wav" "$(awk -v m="${key#*:}" 'BEGIN { printf "%.2f", 440 * 2 ^ ((m - 69) / 12) }')" 0.25
done
printf 'dir_01 = %s\n' "$work/tones" >"$work/home/.kevaro/kevaro.config"

# stats FILE FACTOR: median, p99 and max of the numbers in FILE, each divided by FACTOR.
stats() {
    sort -g "$1" | awk -v f="$2" '{ v[NR] = $1 / f }
        END { printf "median %7.2f  p99 %7.2f  max %7.2f  (%d runs)", v[int(0.5 * (NR - 1) + 1.5)],
              v[int(0.99 * (NR - 1) + 1.5)], v[NR], NR }'
}

median() {
    sort -g | awk '{ v[NR] = $1 } END { print v[int(0.5 * (NR - 1) + 1.5)] }'
}

sink_latency_ms() {
    pactl list sinks | awk '/^[ \t]*Latency:/ { printf "%.1f", $2 / 1000; exit }'
}

# record DIR: records the null sink's monitor into DIR until stop_recording.
# The recorder runs at real-time priority where allowed: a starved recorder loses samples,
# which would count as the players' dropouts.
realtime=()
chrt -r 1 true 2>/dev/null && realtime=(chrt -r 1)
record() {
    "${realtime[@]}" "$bench/bench_monitor" record v.monitor "$1/rec.raw" "$1/rec.idx" >"$1/rec.out" 2>"$1/rec.err" &
    recorder=$!
    pids+=("$recorder")
    for _ in $(seq 100); do grep -q recording "$1/rec.out" && break; sleep 0.05; done
    grep -q recording "$1/rec.out" || { cat "$1/rec.err"; exit 1; }
    sleep 0.5
}

stop_recording() {
    sleep 0.5
    kill -INT "$recorder"
    wait "$recorder"
}

# play_round NAME: the three players one after another, 50 notes each, on one recording.
play_round() {
    local dir=$work/$1 note=$work/a880.wav lat=()
    mkdir -p "$dir"
    record "$dir"
    "$bench/bench_play_engine" "$note" 50 300 >"$dir/engine" 2>"$dir/engine.err" &
    sleep 5 && lat+=("$(sink_latency_ms)")
    wait $!
    sleep 0.5
    "$bench/bench_spawn" --count 50 --every 300 paplay "$note" >"$dir/paplay" &
    sleep 5 && lat+=("$(sink_latency_ms)")
    wait $!
    sleep 0.5
    "$bench/bench_play_qsoundeffect" "$note" 50 300 >"$dir/qsoundeffect" 2>"$dir/qsoundeffect.err" &
    sleep 5 && lat+=("$(sink_latency_ms)")
    wait $! || { echo "QSoundEffect failed:"; cat "$dir/qsoundeffect.err"; }
    stop_recording
    "$bench/bench_monitor" match "$dir/rec.raw" "$dir/rec.idx" 880 150 \
        "Kevaro engine=$dir/engine" "paplay per note=$dir/paplay" "QSoundEffect=$dir/qsoundeffect"
    echo "null sink's own latency while each played: ${lat[0]} / ${lat[1]} / ${lat[2]} ms"
    echo "the engine said: $(head -1 "$dir/engine.err")"
}

tone "$work/a880.wav" 880 0.15

echo
echo "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) before the run"
echo
if wants 1; then
    echo "== 1. Play call to sound server, 50 notes each, 300 ms apart (ratio: median / Kevaro's)"
    echo "-- idle"
    play_round idle
    if command -v stress-ng >/dev/null; then
        stress-ng --cpu 2 --quiet &
        burners=("$!")
        echo "-- both cores busy (stress-ng --cpu 2)"
    else
        sha256sum /dev/zero &
        burners=("$!")
        sha256sum /dev/zero &
        burners+=("$!")
        echo "-- both cores busy (two sha256sum /dev/zero)"
    fi
    pids+=("${burners[@]}")
    play_round busy
    kill "${burners[@]}"
    wait "${burners[@]}" 2>/dev/null || true
fi

if wants 2; then
    echo
    echo "== 2. Touch to sound: xdotool press on C2 of the piano under Xvfb, 30 presses"
    touch=$work/touch
    mkdir -p "$touch"
    HOME="$work/home" DISPLAY="$display" QT_QPA_PLATFORM=xcb "$build/kevaro" >/dev/null 2>"$touch/kevaro.err" &
    kevaro=$!
    pids+=("$kevaro")
    DISPLAY="$display" xdotool search --sync --onlyvisible --pid "$kevaro" >/dev/null
    # The first frame takes a while on a software GL; presses before it would bunch up.
    sleep 2
    DISPLAY="$display" xdotool mousemove 1150 650
    record "$touch"
    for _ in $(seq 30); do
        DISPLAY="$display" "$bench/bench_spawn" --after xdotool mousedown 1 >>"$touch/presses"
        sleep 0.1
        DISPLAY="$display" xdotool mouseup 1
        sleep 0.4
    done
    stop_recording
    kill "$kevaro"
    wait "$kevaro" 2>/dev/null || true
    "$bench/bench_monitor" match "$touch/rec.raw" "$touch/rec.idx" 523.25 250 "touch to sound=$touch/presses"
fi

if wants 3; then
    echo
    echo "== 3. sounder::dosound on the GUI thread, debug lines to /dev/null"
    dosound=$work/dosound
    mkdir -p "$dosound"
    for _ in $(seq 30); do
        HOME="$work/home" QT_QPA_PLATFORM=offscreen "$bench/bench_dosound" first 2>/dev/null >>"$dosound/first"
    done
    HOME="$work/home" QT_QPA_PLATFORM=offscreen "$bench/bench_dosound" repeated 1000 2>/dev/null >"$dosound/repeated"
    echo "first note, fresh element:  $(stats "$dosound/first" 1000) ms"
    echo "repeated notes:             $(stats "$dosound/repeated" 1) us"
fi

if wants 4; then
    echo
    echo "== 4. Start-up under Xvfb: process start to first frame, resident memory at 3 s (median of 5)"
    # Kevaro renders with Qt Quick's software renderer unless QT_QUICK_BACKEND says otherwise;
    # "rhi" is Qt's default, OpenGL (llvmpipe here).
    for backend in software rhi; do
        runs=$work/startup-$backend
        chosen=(QT_QUICK_BACKEND=$backend)
        for _ in $(seq 5); do
            env "${chosen[@]}" HOME="$work/home" DISPLAY="$display" QT_QPA_PLATFORM=xcb \
                "$bench/bench_firstframe" 3000 "$build/kevaro" >>"$runs"
            sleep 0.3
        done
        printf '%-28s first frame %5s ms  "Start Sound" %5s ms  VmRSS %5s MB   (frames: %s ms)\n' \
            "$backend scene graph:" "$(cut -d' ' -f1 "$runs" | median)" "$(cut -d' ' -f2 "$runs" | median)" \
            "$(cut -d' ' -f3 "$runs" | median | awk '{ printf "%.0f", $1 / 1024 }')" \
            "$(cut -d' ' -f1 "$runs" | paste -sd' ')"
    done
fi

if [ "$polyphony" -eq 1 ]; then
    echo
    echo "== Engine polyphony (the engine owner's bench)"
    "$bench/bench_engine_polyphony"
fi

if wants 5; then
    echo
    echo "== 5. Touch to sound in whole sessions: a plain user, PulseAudio and PipeWire, with and without"
    echo "   RealtimeKit (vs first: median / the first row's; dropouts: notes missing or broken)"
    # PipeWire's sessions run with no other PulseAudio on the machine.
    bash "$services" stop pulse "$work"
    unset PULSE_SERVER
    if [ "$(id -u)" -eq 0 ]; then
        bash "$root/bench/sessions.sh" "$build" "$work"
    else
        echo "   needs root (it creates the user kevaro-test and runs RealtimeKit)"
    fi
fi
