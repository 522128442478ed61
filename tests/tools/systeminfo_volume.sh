#!/usr/bin/env bash
# kevaro-systeminfo, registered as tools/run.sh does and started by D-Bus activation on a
# private session bus, sets the volume of a private sound server's default output (a null
# sink "v").   systeminfo_volume.sh PATH/TO/kevaro-systeminfo
source "$(dirname "$0")/../e2e/session.sh"
tmp=$(mktemp -d)
trap 'session_stop; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; tail -n 20 "$tmp/server.log" >&2; exit 1; }

# The bus looks for service files in XDG_DATA_HOME, or under the account's home, not HOME.
session_dirs root "$tmp"
export HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/runtime" XDG_DATA_HOME="$tmp/home/.local/share"
unset XDG_CONFIG_HOME PULSE_SERVER DISPLAY DBUS_STARTER_ADDRESS
bash "$e2e_dir/../../tools/install-systeminfo.sh" "$1" >/dev/null
spawn dbus-daemon --session --nofork --address="unix:path=$tmp/bus"
bus_pid=$!
export DBUS_SESSION_BUS_ADDRESS="unix:path=$tmp/bus"
wait_for "[ -S '$tmp/bus' ]" "the session bus"
# The last pid is always the sound server's.
session_server=pulse
server_start

set_volume() {
    dbus-send --session "${@:2}" --type=method_call --dest=com.tiitoo.SystemInfo \
        /com/tiitoo/SystemInfo com.tiitoo.SystemInfo.Volume.SetVolume "uint32:$1" uint32:3
}
# Every channel of v at $1 percent, within 10 s.
expect_volume() {
    wait_for "[ \"\$(pactl get-sink-volume v | grep -o '[0-9]*%' | sort -u)\" = '$1%' ]" "$1 %" ||
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
    stop_pid "${session_pids[-1]}"
    server_start
    for v in $calls; do set_volume "$v"; done
    expect_volume "${calls##* }" "calls $calls after a sound server restart"
done

# It ends with its session bus.
service_pid=$(dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetConnectionUnixProcessID string:com.tiitoo.SystemInfo | awk '{print $2}')
stop_pid "$bus_pid"
wait_for "! kill -0 ${service_pid:?}" "the service to end" ||
    { kill "$service_pid"; fail "kevaro-systeminfo outlived its session bus"; }
echo "systeminfo_volume: ok"
