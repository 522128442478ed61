#!/usr/bin/env bash
# Touch to sound in whole desktop sessions, for bench/run.sh: a plain user (RealtimeKit on a
# private system bus) and root, on PulseAudio and on PipeWire, each beside paplay and a bare
# always-running stream (bench_stream_floor) in the same session, idle and with both cores
# busy; the first touch after launch against the next five; the piano's idle CPU share; the
# first touch after a minute of silence (plain user).
#   sessions.sh BUILD_DIR WORK_DIR     (as root)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1 work=$2
bench=$build/bench
source "$root/tests/e2e/session.sh"
trap session_stop EXIT
chmod 755 "$work"

record() {
    chmod 777 "$1"
    as_user "$bench/bench_monitor" record v.monitor "$1/rec.raw" "$1/rec.idx" >"$1/rec.out" 2>"$1/rec.err" &
    recorder=$!
    for _ in $(seq 100); do grep -q recording "$1/rec.out" && break; sleep 0.05; done
    sleep 0.5
}
stop_recording() {
    sleep 0.5
    kill -INT "$recorder" || true
    wait "$recorder" || true
}
# presses N FILE: N presses on C2, 0.5 s apart, their times into FILE.
presses() {
    for _ in $(seq "$1"); do
        "$bench/bench_spawn" --after xdotool mousedown 1 >>"$2"
        sleep 0.1
        xdotool mouseup 1
        sleep 0.4
    done
}
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

for user in ${KEVARO_BENCH_USERS:-kevaro-test root}; do
    for server in ${KEVARO_BENCH_SERVERS:-pulse pipewire}; do
        dir=$work/$user-$server
        rm -rf "$dir"
        session_start "$user" "$server" "$dir" yes
        chmod 755 "$dir"
        mkdir -p "$dir/home/.kevaro"
        cp -r "$work/tones" "$dir/home/tones"
        printf 'dir_01 = %s\n' "$dir/home/tones" >"$dir/home/.kevaro/kevaro.config"
        chown -R "$session_user:" "$dir/home"
        as_user pactl unload-module module-suspend-on-idle 2>/dev/null || true
        as_user pactl suspend-sink v 0 || true
        label="$([ "$user" = root ] && echo root || echo "plain user"), $server"
        echo "-- $label"

        # The first touch: 100 ms after the window shows, then the next five.
        mkdir -p "$dir/first"
        record "$dir/first"
        as_user env QT_QPA_PLATFORM=xcb "$build/kevaro" >/dev/null 2>"$dir/kevaro.err" &
        kevaro=$!
        session_pids+=("$kevaro")
        for _ in $(seq 200); do xdotool search --onlyvisible --pid "$kevaro" >/dev/null 2>&1 && break; sleep 0.05; done
        sleep 0.1
        xdotool mousemove 1150 650
        presses 1 "$dir/first/one"
        presses 5 "$dir/first/five"
        stop_recording
        "$bench/bench_monitor" match "$dir/first/rec.raw" "$dir/first/rec.idx" 523.25 250 \
            "next five=$dir/first/five" "first touch=$dir/first/one" | sed -n 2,3p
        grep "audio output latency" "$dir/kevaro.err" | sed 's/^/   /'

        for load in idle busy; do
            burners=()
            if [ "$load" = busy ]; then
                sha256sum /dev/zero & burners+=("$!")
                sha256sum /dev/zero & burners+=("$!")
            fi
            mkdir -p "$dir/$load"
            record "$dir/$load"
            presses 16 "$dir/$load/kevaro"
            as_user "$bench/bench_spawn" --count 16 --every 500 paplay "$dir/home/tones/keyc2.wav" >"$dir/$load/paplay"
            as_user "$bench/bench_stream_floor" 16 500 >"$dir/$load/stream"
            sleep 1
            stop_recording
            [ ${#burners[@]} -eq 0 ] || { kill "${burners[@]}"; wait "${burners[@]}" 2>/dev/null || true; }
            echo "   $load$([ "$load" = busy ] && echo ' (two sha256sum)'):"
            "$bench/bench_monitor" match "$dir/$load/rec.raw" "$dir/$load/rec.idx" 523.25 250 \
                "paplay=$dir/$load/paplay" "Kevaro=$dir/$load/kevaro" "bare stream=$dir/$load/stream" |
                sed -n '2,4p' | sed 's/^/   /'
        done

        sleep 5
        before=$(cpu_ticks "$kevaro")
        sleep 10
        echo "   idle CPU share: $(awk -v a="$before" -v b="$(cpu_ticks "$kevaro")" -v hz="$(getconf CLK_TCK)" \
            'BEGIN { printf "%.1f %% of a core", 100 * (b - a) / hz / 10 }')"

        if [ "$user" != root ]; then
            mkdir -p "$dir/silence"
            sleep 45
            record "$dir/silence"
            presses 1 "$dir/silence/one"
            presses 5 "$dir/silence/five"
            stop_recording
            "$bench/bench_monitor" match "$dir/silence/rec.raw" "$dir/silence/rec.idx" 523.25 250 \
                "next five=$dir/silence/five" "after 1 min silence=$dir/silence/one" | sed -n 2,3p | sed 's/^/   /'
        fi
        session_stop
    done
done
