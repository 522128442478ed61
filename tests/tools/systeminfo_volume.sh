#!/usr/bin/env bash
# kevaro-systeminfo, started by D-Bus activation on a private session bus, sets the volume of
# a private PulseAudio's default output (a null sink "v").
#   systeminfo_volume.sh PATH/TO/kevaro-systeminfo
set -euo pipefail
binary=$1
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
pids=()

cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || continue
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    done
    rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$tmp/pulse.log" ] && tail -n 20 "$tmp/pulse.log" >&2
    exit 1
}

export HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/runtime" XDG_CONFIG_HOME="$tmp/home/.config"
export XDG_DATA_HOME="$tmp/home/.local/share"
unset PULSE_SERVER DISPLAY DBUS_SESSION_BUS_ADDRESS DBUS_STARTER_ADDRESS DBUS_STARTER_BUS_TYPE
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Only the native protocol: no hardware, no session bus of its own.
start_pulse() {
    pulseaudio -n -D --exit-idle-time=-1 --system=false --load=module-native-protocol-unix \
        --log-target=file:"$tmp/pulse.log" 2>>"$tmp/pulse.log" || fail "pulseaudio did not start"
    for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pulse_pid=$(cat "$XDG_RUNTIME_DIR/pulse/pid")
    pids+=("$pulse_pid")
    pactl load-module module-null-sink sink_name=v >/dev/null
    pactl set-default-sink v
    pactl set-sink-volume v 73%
}
start_pulse

bash "$here/../../tools/install-systeminfo.sh" "$binary" >/dev/null
dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$tmp/bus" 4>"$tmp/bus.pid"
pids+=("$(cat "$tmp/bus.pid")")
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$tmp/bus")
export DBUS_SESSION_BUS_ADDRESS

set_volume() {
    dbus-send --session "${reply[@]}" --type=method_call --dest=com.tiitoo.SystemInfo /com/tiitoo/SystemInfo \
        com.tiitoo.SystemInfo.Volume.SetVolume "uint32:$1" uint32:3
}

# The percentages of every channel of v, on one line.
volumes() {
    pactl get-sink-volume v | grep -o '[0-9]*%' | sort -u | tr '\n' ' '
}

expect_volume() {
    local want="$1% "
    for _ in $(seq 50); do [ "$(volumes)" = "$want" ] && return 0; sleep 0.1; done
    fail "$2: volume is $(volumes), not $want"
}

# The first call starts the service. The bus drops a call that waits for a service to start
# when its sender has gone, so this one sender stays for the reply.
reply=(--print-reply)
set_volume 40 >/dev/null
reply=()
expect_volume 40 "SetVolume(40, 3)"
service_pid=$(dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus \
    /org/freedesktop/DBus org.freedesktop.DBus.GetConnectionUnixProcessID \
    string:com.tiitoo.SystemInfo | awk '{print $2}')
pids+=("$service_pid")

set_volume 150
expect_volume 100 "SetVolume(150, 3)"
set_volume 0
expect_volume 0 "SetVolume(0, 3)"
set_volume 4294967295 # what the piano sends for -1
expect_volume 100 "SetVolume(4294967295, 3)"

# A slider drag sends a burst of calls; the last one must be the one that stays.
for v in $(seq 100 -1 37); do set_volume "$v"; done
expect_volume 37 "a burst of calls ending at 37"
sleep 0.5
[ "$(volumes)" = "37% " ] || fail "after the burst the volume moved on to $(volumes)"

# The sound server restarts: the next call connects afresh, and calls made while it does so
# are not lost.
restart_pulse() {
    kill "$pulse_pid"
    for _ in $(seq 50); do kill -0 "$pulse_pid" 2>/dev/null || break; sleep 0.1; done
    start_pulse
}
restart_pulse
set_volume 20
expect_volume 20 "a call after a sound server restart"
restart_pulse
set_volume 30
set_volume 55
expect_volume 55 "two calls after a sound server restart"

# It ends with its session bus.
bus_pid=$(cat "$tmp/bus.pid")
kill "$bus_pid"
for _ in $(seq 50); do kill -0 "$service_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$service_pid" 2>/dev/null && fail "kevaro-systeminfo outlived its session bus"
echo "systeminfo_volume: ok"
