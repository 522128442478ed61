#!/usr/bin/env bash
# kevaro-systeminfo, started by D-Bus activation on a private session bus, sets the volume of
# a private PulseAudio's default output (a null sink "v").
#   systeminfo_volume.sh PATH/TO/kevaro-systeminfo
set -euo pipefail
tmp=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; sleep 0.5; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; tail -n 20 "$tmp/pulse.log" >&2; exit 1; }

# The bus looks for service files in XDG_DATA_HOME, or under the account's home, not HOME.
export HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/runtime" XDG_DATA_HOME="$tmp/home/.local/share"
unset XDG_CONFIG_HOME PULSE_SERVER DISPLAY DBUS_SESSION_BUS_ADDRESS DBUS_STARTER_ADDRESS
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"

# Only the native protocol: no hardware, no session bus of its own.
start_pulse() {
    pulseaudio -n -D --exit-idle-time=-1 --system=false --load=module-native-protocol-unix \
        --log-target=file:"$tmp/pulse.log" 2>>"$tmp/pulse.log" || fail "pulseaudio did not start"
    for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pids+=("$(cat "$XDG_RUNTIME_DIR/pulse/pid")")
    pactl load-module module-null-sink sink_name=v >/dev/null
    pactl set-default-sink v
}
bash "$(dirname "$0")/../../tools/install-systeminfo.sh" "$1" >/dev/null
dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$tmp/bus" 4>"$tmp/bus.pid"
pids+=("$(cat "$tmp/bus.pid")")
export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$tmp/bus")
# The last pid is always the sound server's.
start_pulse

set_volume() {
    dbus-send --session "${@:2}" --type=method_call --dest=com.tiitoo.SystemInfo \
        /com/tiitoo/SystemInfo com.tiitoo.SystemInfo.Volume.SetVolume "uint32:$1" uint32:3
}
# Every channel of v at $1 percent, within 5 s.
expect_volume() {
    for _ in $(seq 50); do [ "$(pactl get-sink-volume v | grep -o '[0-9]*%' | sort -u)" = "$1%" ] && return 0; sleep 0.1; done
    fail "$2: volume is $(pactl get-sink-volume v), not $1%"
}

# The first call starts the service. The bus drops a call that waits for a service to start
# when its sender has gone, so this one sender stays for the reply.
set_volume 40 --print-reply >/dev/null
expect_volume 40 "SetVolume(40, 3)"
# Out of range is full volume, also 4294967295, which the piano sends for -1.
for step in 150:100 0:0 4294967295:100; do
    set_volume "${step%:*}"; expect_volume "${step#*:}" "SetVolume(${step%:*}, 3)"
done

# A slider drag sends a burst of calls; the last one must be the one that stays.
for v in $(seq 100 -1 37); do set_volume "$v"; done
sleep 0.5
expect_volume 37 "a burst of calls ending at 37"

# The sound server restarts: the next call connects afresh, and calls made while it does so
# are not lost.
for calls in 20 "30 55"; do
    kill "${pids[-1]}"
    for _ in $(seq 50); do kill -0 "${pids[-1]}" 2>/dev/null || break; sleep 0.1; done
    start_pulse
    for v in $calls; do set_volume "$v"; done
    expect_volume "${calls##* }" "calls $calls after a sound server restart"
done

# It ends with its session bus.
service_pid=$(dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetConnectionUnixProcessID string:com.tiitoo.SystemInfo | awk '{print $2}')
kill "$(cat "$tmp/bus.pid")"
for _ in $(seq 50); do kill -0 "${service_pid:?}" 2>/dev/null || break; sleep 0.1; done
kill -0 "$service_pid" 2>/dev/null && kill "$service_pid" && fail "kevaro-systeminfo outlived its session bus"
echo "systeminfo_volume: ok"
