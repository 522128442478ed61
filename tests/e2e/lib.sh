# Shared steps of the end-to-end scripts: a scratch folder, processes stopped by pid at exit,
# the recorder on the sink's monitor and the piano in the shared X server.
# Needs KEVARO_TEST_SERVICES (the ctest fixtures' folder).
work=$(mktemp -d)
pids=()
e2e_cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap e2e_cleanup EXIT
display=":$(cat "$KEVARO_TEST_SERVICES/xvfb/display")"
# A session bus of the fixtures', so that nothing autolaunches one of its own.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$KEVARO_TEST_SERVICES/dbus/bus"

# Starts the piano (its HOME as exported) and waits for its window and its first frame.
start_kevaro() {
    DISPLAY="$display" QT_QPA_PLATFORM=xcb "$1" >"$work/kevaro.out" 2>"$work/kevaro.err" &
    kevaro_pid=$!
    pids+=("$kevaro_pid")
    for _ in $(seq 100); do
        DISPLAY="$display" xdotool search --onlyvisible --pid "$kevaro_pid" >/dev/null 2>&1 && break
        sleep 0.1
    done
    # The first frame takes a while on a software GL; presses before it would bunch up.
    sleep 2
}

# Records the sink's output (s16le, mono, 48 kHz) into $1 until stop_recording; returns once
# the stream delivers, which can take a moment. A recorder that falls behind loses samples,
# which would bend the pitches heard: it takes a roomy buffer, and real-time priority where
# allowed.
recorder_priority=()
chrt -r 1 true 2>/dev/null && recorder_priority=(chrt -r 1)
start_recording() {
    "${recorder_priority[@]}" parec --latency-msec=50 --raw --format=s16le --rate=48000 \
        --channels=1 -d v.monitor >"$1" &
    recorder=$!
    pids+=("$recorder")
    for _ in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.05; done
    echo "no sound arrives from the sound server" >&2
    return 1
}

stop_recording() {
    kill "$recorder"
    wait "$recorder" 2>/dev/null || true
}

click() {
    DISPLAY="$display" xdotool mousemove "$1" "$2" click 1
}

fail() {
    echo "FAIL: $*"
    tail -n 20 "$work/kevaro.err" || true
    exit 1
}

# Loudest sample of a raw recording (s16le) in its last quarter second; -1 when shorter.
tail_peak() {
    python3 -c 'import struct, sys; d = open(sys.argv[1], "rb").read()[-24000:]
print(max((abs(s) for (s,) in struct.iter_unpack("<h", d)), default=-1) if len(d) == 24000 else -1)' "$1"
}

# Clicks the close mark at x y and expects the piano to end with status 0.
close_kevaro() {
    click "$1" "$2"
    for _ in $(seq 100); do kill -0 "$kevaro_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$kevaro_pid" 2>/dev/null && fail "kevaro did not end after close ${3:-}"
    local status=0
    wait "$kevaro_pid" || status=$?
    [ "$status" -eq 0 ] || fail "kevaro ended with status $status ${3:-}"
}
