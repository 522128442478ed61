#!/usr/bin/env bash
# Touch to sound in whole desktop sessions, for bench/run.sh: a plain user on PulseAudio and on
# PipeWire, with RealtimeKit granting and refusing, each idle and with both cores busy.
# Per session: presses on C2 beside paplay and a bare always-running stream
# (bench_stream_floor) in the same session, the dropouts in those presses as the recording and
# the server count them, the first touch 150 ms after the window shows, the first note after
# Stop, after 10 s and after 3 minutes of silence (the piano pauses its output after 2), each
# against the next five, and the piano's CPU share while idle. On PipeWire also C2 by MIDI into
# the piano's input (bench_midi_send, as many notes as presses), and with both cores busy the
# largest chord of MIDI notes the piano plays without a late cycle. A compact table at the end.
#   sessions.sh BUILD_DIR WORK_DIR     (as root; WORK_DIR/tones holds the notes)
# Narrowed by the environment (defaults in brackets):
#   KEVARO_BENCH_USERS        [kevaro-test]   root too, if wanted
#   KEVARO_BENCH_SERVERS      [pulse pipewire]
#   KEVARO_BENCH_REALTIMEKIT  [yes no]        yes: granting; no: refusing; none: not on the bus
#   KEVARO_BENCH_LONG_SILENCE [1]             0 skips the 3-minute silence
#   KEVARO_BENCH_PRESSES      [200]           presses per load
#   KEVARO_BENCH_PLANT_STALL  [0]             1 stops the piano for 50 ms inside every 20th
#                                             note: both dropout counts must see it
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1 work=$2
bench=$build/bench
source "$root/tests/e2e/session.sh"
trap session_stop EXIT
chmod 755 "$work"
count=${KEVARO_BENCH_PRESSES:-200}
# Peers need fewer notes for a median and p90.
peer_count=50
key_x=1150 key_y=650 stop_x=166 stop_y=32
summary=$work/summary
rm -rf "$summary" && mkdir -p "$summary"

record() {
    mkdir -p "$1" && chmod 777 "$1"
    spawn as_user "$bench/bench_monitor" record v.monitor "$1/rec.raw" "$1/rec.idx" >"$1/rec.out" 2>"$1/rec.err"
    recorder=$!
    wait_for "grep -q recording '$1/rec.out'" "the recorder" || { cat "$1/rec.err"; exit 1; }
    sleep 0.5
}
stop_recording() {
    sleep 0.5
    kill -INT "$recorder" || true
    wait "$recorder" || true
}
# match DIR NAME=TIMES...: the notes of the recording in DIR against the presses, its
# summary into DIR/summary.
match() {
    "$bench/bench_monitor" match "$1/rec.raw" "$1/rec.idx" 523.25 250 --summary "$1/summary" "${@:2}" |
        sed -n "2,$(($# ))p" | sed 's/^/   /'
}
# figure DIR NAME FIELD: from DIR's summary: 2 median, 3 p90, 5 dropouts, 6 heard, 7 presses.
figure() { awk -F'\t' -v n="$2" -v f="$3" '$1 == n { print $f }' "$1/summary"; }
# note KEY VALUE: a figure of this session for the table.
note() { printf '%s\t%s\n' "$1" "$2" >>"$case_figures"; }
# first_vs DIR NAME PEER: "first / median of the peer (ratio)", or what went wrong.
first_vs() {
    awk -v a="$(figure "$1" "$2" 2)" -v h="$(figure "$1" "$2" 6)" -v b="$(figure "$1" "$3" 2)" 'BEGIN {
        if (h == 0) print "not heard"; else printf "%.1f / %.1f (%.1fx)", a, b, a / b }'
}

# presses N FILE [STALL]: N presses on the key, 0.5 s apart, their times into FILE; with
# STALL the piano is stopped for 50 ms inside every 20th note.
presses() {
    local i
    for i in $(seq "$1"); do
        "$bench/bench_spawn" --after xdotool mousedown 1 >>"$2"
        if [ -n "${3:-}" ] && [ $((i % 20)) -eq 0 ]; then
            sleep 0.08 && kill -STOP "$kevaro" && sleep 0.05 && kill -CONT "$kevaro"
        else
            sleep 0.1
        fi
        xdotool mouseup 1
        sleep 0.4
    done
}
# send DIR COUNT EVERY KEY [CHORD]: bench_midi_send's notes into the piano's input, the server's
# late cycles of the piano counted from the link to the last note (not the graph's changes as
# the sender comes and goes) into server_drops, the notes' times into DIR/midi.
send() {
    mkdir -p "$1" && chmod 777 "$1"
    spawn as_user "$bench/bench_midi_send" "${@:2}" >"$1/midi.out" 2>"$1/midi.err"
    local sender=$!
    wait_for "grep -q ready '$1/midi.out'" "the MIDI sender" || { cat "$1/midi.err"; exit 1; }
    as_user pw-link bench-midi:out Kevaro:midi-in
    wait_for "grep -q playing '$1/midi.out'" "the MIDI sender to play" || exit 1
    server_count_start "$1"
    local notes=$(("$2" * "$3" / 1000 + 30))
    for _ in $(seq $((notes * 20))); do grep -q done "$1/midi.out" && break; sleep 0.05; done
    server_count "$1"
    kill -INT "$sender" && wait "$sender" || true
    grep -vx 'ready\|playing\|done' "$1/midi.out" >"$1/midi" || true
}
# polyphony DIR: chords of more and more notes, each up to three times, as a late cycle may be
# the machine's doing (another program's) rather than the piano's: a chord counts as played
# without a dropout when one of its tries had no late cycle. Sets poly_best, the largest chord
# played so, and poly_counts, the late cycles of each try.
polyphony() {
    local keys try
    poly_best=none poly_counts=""
    for keys in 8 16 32 48 64; do
        poly_counts+=" $keys:"
        for try in 1 2 3; do
            # Chords of that many notes, struck ten times 0.2 s apart with the pedal down.
            send "$1/chord$keys-$try" 10 200 36 "$keys"
            poly_counts+="$([ "$try" = 1 ] || echo /)$server_drops"
            [ "$server_drops" != 0 ] || break
        done
        [ "$server_drops" = 0 ] || break
        poly_best=$keys
    done
}
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# cpu_share SECONDS: the piano's share of a core over that long, in %.
cpu_share() {
    local before
    before=$(cpu_ticks "$kevaro")
    sleep "$1"
    awk -v a="$before" -v b="$(cpu_ticks "$kevaro")" -v hz="$(getconf CLK_TCK)" -v s="$1" \
        'BEGIN { printf "%.1f", 100 * (b - a) / hz / s }'
}

# The server's own count of the piano's dropouts, from server_count_start to server_count.
# PulseAudio logs each underrun of a stream at its debug level; while the piano plays alone,
# the underruns in that stretch of its log are the piano's. PipeWire's profiler tells the cycles
# the piano's node was late for.
server_count_start() {
    if [ "$session_server" = pulse ]; then
        log_from=$(stat -c %s "$session_dir/server.log")
    else
        spawn as_user "$bench/bench_xruns" kevaro >"$1/xruns" 2>"$1/xruns.err"
        counter=$!
        wait_for "grep -q listening '$1/xruns'" "PipeWire's profiler" || { cat "$1/xruns.err"; exit 1; }
    fi
}
# server_count DIR: sets server_drops.
server_count() {
    if [ "$session_server" = pulse ]; then
        server_drops=$(tail -c +"$((log_from + 1))" "$session_dir/server.log" | grep -c "underrun of '" || true)
    else
        kill -INT "$counter" && wait "$counter" || true
        server_drops=$(tail -n 1 "$1/xruns" | cut -d' ' -f1)
    fi
}
# server_died: whether a process of the sound server ended; says how.
server_died() {
    local pid status
    for pid in "${server_pids[@]}"; do
        kill -0 "$pid" 2>/dev/null && continue
        status=0 && wait "$pid" || status=$?
        echo "   the sound server's $(basename "$(cat "$dir/server-$pid")") ended with status $status$(
            [ "$status" -le 128 ] || echo " (signal $(kill -l $((status - 128))))")"
        return 0
    done
    return 1
}

# session USER SERVER REALTIMEKIT: one session's figures.
session() {
    local user=$1 server=$2 rt=$3 dir=$work/$1-$2-rtkit-$3 label load burners load_dir others pid
    label="$server, RealtimeKit $(case $rt in yes) echo granting ;; no) echo refusing ;; *) echo absent ;; esac)"
    [ "$user" = root ] && label="root, $label"
    echo "-- $label"
    # This bench's own PulseAudio is gone by now; one of somebody else's shares the cores.
    others=$(pgrep -x pulseaudio | paste -sd' ' || true)
    [ "$server" != pipewire ] || [ -z "$others" ] || echo "   (not ours: PulseAudio runs as pid $others)"
    echo "   load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
    rm -rf "$dir"
    case_figures=$summary/$(printf '%02d' "$(ls "$summary" | wc -l)")
    # The table's column head, short.
    note label "$([ "$user" = root ] && echo "root, ")$([ "$server" = pulse ] && echo PulseAudio || echo PipeWire), RTKit $(
        case $rt in yes) echo yes ;; no) echo refusing ;; *) echo absent ;; esac)"
    if [ "$rt" = none ]; then
        # A system bus that is not there: RealtimeKit cannot answer.
        export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$dir/no-system-bus"
        session_start "$user" "$server" "$dir"
    else
        session_start "$user" "$server" "$dir" "$rt"
    fi
    # Another session's polkit rule for the same user would grant it: wait until none does.
    if [ "$rt" = no ]; then
        for _ in $(seq 120); do
            as_user sh -c 'exec pkcheck -a org.freedesktop.RealtimeKit1.acquire-real-time -p $$' >/dev/null 2>&1 || break
            sleep 0.5
        done
    fi
    mkdir -p "$dir/home/.kevaro"
    cp -r "$work/tones" "$dir/home/tones"
    printf 'dir_01 = %s\n' "$dir/home/tones" >"$dir/home/.kevaro/kevaro.config"
    chown -R "$session_user:" "$dir/home"
    server_pids=()
    for pid in "${session_pids[@]}"; do
        case $(cat "/proc/$pid/comm" 2>/dev/null) in pipewire | wireplumber | pipewire-pulse | pulseaudio)
            server_pids+=("$pid") && cat "/proc/$pid/comm" >"$dir/server-$pid" ;;
        esac
    done
    as_user pactl unload-module module-suspend-on-idle 2>/dev/null || true
    as_user pactl suspend-sink v 0 || true
    # Underruns are logged at the debug level only.
    [ "$server" != pulse ] || as_user pacmd set-log-level 4

    # The first touch: 150 ms after the window shows, then the next five.
    record "$dir/first"
    spawn as_user env QT_QPA_PLATFORM=xcb "$build/kevaro" >/dev/null 2>"$dir/kevaro.err"
    kevaro=$!
    for _ in $(seq 1000); do xdotool search --onlyvisible --pid "$kevaro" >/dev/null 2>&1 && break; sleep 0.01; done
    sleep 0.15
    xdotool mousemove "$key_x" "$key_y"
    presses 1 "$dir/first/one"
    presses 5 "$dir/first/five"
    stop_recording
    match "$dir/first" "next five=$dir/first/five" "first touch=$dir/first/one"
    note first "$(first_vs "$dir/first" "first touch" "next five")"
    said=$(grep -m 1 "audio output latency" "$dir/kevaro.err" || echo "kevaro: no audio output")
    echo "   ${said#kevaro: }"
    note output "$(echo "$said" | sed -n 's/.*latency \([0-9.]*\) ms.*real-time mixer: \([^)]*\)).*/\1 ms, rt: \2/p;t;s/.*/no output/p')"

    for load in idle busy; do
        burners=()
        if [ "$load" = busy ]; then
            spawn sha256sum /dev/zero && burners+=("$!")
            spawn sha256sum /dev/zero && burners+=("$!")
        fi
        load_dir=$dir/$load
        record "$load_dir"
        server_count_start "$load_dir"
        presses "$count" "$load_dir/kevaro" "$([ "${KEVARO_BENCH_PLANT_STALL:-0}" = 1 ] && echo stall)"
        server_count "$load_dir"
        # A note is matched to a press up to a second before it: the players keep that apart.
        sleep 1
        as_user "$bench/bench_spawn" --count "$peer_count" --every 500 paplay "$dir/home/tones/keyc2.wav" >"$load_dir/paplay" || true
        as_user "$bench/bench_stream_floor" "$peer_count" 500 >"$load_dir/stream" 2>"$load_dir/stream.err" || true
        midi=()
        if [ "$server" = pipewire ]; then
            sleep 1
            local touch_drops=$server_drops
            # As many notes of C2 as presses, 0.5 s apart.
            send "$load_dir/midi-in" "$count" 500 72
            midi_drops=$server_drops server_drops=$touch_drops
            midi=("MIDI in=$load_dir/midi-in/midi")
        fi
        stop_recording
        [ "$server" != pipewire ] || [ "$load" != busy ] || polyphony "$load_dir"
        [ ${#burners[@]} -eq 0 ] || { kill "${burners[@]}"; wait "${burners[@]}" 2>/dev/null || true; }
        if server_died; then
            note "$load.drops" "the sound server died"
            session_stop
            return
        fi
        echo "   $load$([ "$load" = busy ] && echo ' (two sha256sum)'):   (vs first: median / paplay's)"
        match "$load_dir" "paplay=$load_dir/paplay" "Kevaro=$load_dir/kevaro" "bare stream=$load_dir/stream" "${midi[@]}"
        echo "   the server counted $server_drops $([ "$server" = pulse ] && echo underruns || echo 'late cycles') of the piano's$(
            [ ${#midi[@]} -eq 0 ] || echo " while it was touched, $midi_drops while MIDI played it")"
        if [ ${#midi[@]} -gt 0 ]; then
            note "$load.midi" "$(figure "$load_dir" "MIDI in" 2) / $(figure "$load_dir" "MIDI in" 3)"
            note "$load.mididrops" "$(figure "$load_dir" "MIDI in" 5) / $midi_drops late cycles"
        fi
        if [ "$server" = pipewire ] && [ "$load" = busy ]; then
            echo "   chords of MIDI notes, cores busy: late cycles by notes struck (tries):$poly_counts"
            note busy.poly "$poly_best notes (of 64 MIDI voices)"
        fi
        note "$load.kevaro" "$(figure "$load_dir" Kevaro 2) / $(figure "$load_dir" Kevaro 3)"
        note "$load.paplay" "$(figure "$load_dir" paplay 2) / $(figure "$load_dir" paplay 3)"
        note "$load.ratio" "$(awk -v k="$(figure "$load_dir" Kevaro 2)" -v p="$(figure "$load_dir" paplay 2)" \
            'BEGIN { printf "%.2fx", k / p }')"
        note "$load.drops" "$(figure "$load_dir" Kevaro 5) / $server_drops $([ "$server" = pulse ] && echo underruns || echo late cycles)"
    done

    # Stop in the control bar, then a key: five times, beside five plain presses.
    record "$dir/stop"
    presses 5 "$dir/stop/steady"
    for _ in $(seq 5); do
        xdotool mousemove "$stop_x" "$stop_y" click 1
        sleep 0.5
        xdotool mousemove "$key_x" "$key_y"
        presses 1 "$dir/stop/after"
    done
    stop_recording
    match "$dir/stop" "five presses=$dir/stop/steady" "after Stop=$dir/stop/after"
    note stop "$(first_vs "$dir/stop" "after Stop" "five presses")$(
        case $(figure "$dir/stop" "after Stop" 6) in [1-4]) echo ", $(figure "$dir/stop" "after Stop" 6) of 5 heard" ;; esac)"

    # Silences: the recorder runs throughout, so that only the piano wakes for the note.
    local seconds silences=(10)
    [ "${KEVARO_BENCH_LONG_SILENCE:-1}" = 0 ] || silences+=(180)
    for seconds in "${silences[@]}"; do
        record "$dir/silence$seconds"
        sleep $((seconds - 10))
        # The last ten seconds of the silence tell the idle CPU share.
        note "cpu$seconds" "$(cpu_share 10)"
        presses 1 "$dir/silence$seconds/one"
        presses 5 "$dir/silence$seconds/five"
        stop_recording
        match "$dir/silence$seconds" "next five=$dir/silence$seconds/five" \
            "after $seconds s silence=$dir/silence$seconds/one"
        note "silence$seconds" "$(first_vs "$dir/silence$seconds" "after $seconds s silence" "next five")"
    done
    echo "   idle CPU share over 10 s: $(awk -F'\t' '$1 == "cpu10" { print $2 }' "$case_figures") % of a core$(
        awk -F'\t' '$1 == "cpu180" { printf ", %s %% after 3 minutes (paused)", $2 }' "$case_figures")"
    session_stop
    unset DBUS_SYSTEM_BUS_ADDRESS
}

# The figures of all sessions, a column each.
table() {
    awk -F'\t' '
        FNR == 1 { n++ }
        { v[n, $1] = $2 }
        END {
            nk = split("label|output|idle.kevaro|idle.midi|idle.paplay|idle.ratio|idle.drops|idle.mididrops|busy.kevaro|busy.midi|busy.paplay|busy.ratio|busy.drops|busy.mididrops|busy.poly|first|stop|silence10|silence180|cpu10|cpu180", keys, "|")
            split("|output (its own word)|touch to sound, idle (median / p90)|MIDI in to sound, idle|paplay, idle|Kevaro / paplay, idle|dropouts, idle (notes / server)|MIDI dropouts, idle|touch to sound, busy|MIDI in to sound, busy|paplay, busy|Kevaro / paplay, busy|dropouts, busy (notes / server)|MIDI dropouts, busy|polyphony, busy (no late cycle)|first touch / next five|after Stop / five presses|after 10 s silence / next five|after 3 min silence / next five|idle CPU, % of a core|idle CPU, paused (3 min)", names, "|")
            for (k = 1; k <= nk; k++) {
                line = sprintf("%-38s", names[k])
                for (c = 1; c <= n; c++) line = line sprintf("  %-24s", (c, keys[k]) in v ? v[c, keys[k]] : "-")
                print line
            }
        }' "$summary"/*
}

for user in ${KEVARO_BENCH_USERS:-kevaro-test}; do
    for server in ${KEVARO_BENCH_SERVERS:-pulse pipewire}; do
        for rt in ${KEVARO_BENCH_REALTIMEKIT:-yes no}; do
            session "$user" "$server" "$rt"
        done
    done
done
if ls "$summary"/* >/dev/null 2>&1; then
    echo
    echo "== Sessions at a glance (ms unless said; $count presses per load; dropouts: notes missing or"
    echo "   broken in the recording / the server's count: underruns, or cycles the piano's node was late)"
    table
fi
