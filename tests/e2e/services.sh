#!/usr/bin/env bash
# Starts and stops the services the tests share, each private to one state folder:
#   services.sh start|stop pulse|xvfb|dbus DIR
# pulse: a PulseAudio with a null sink "v" as default; clients use PULSE_SERVER=unix:DIR/pulse/runtime/pulse/native
# xvfb:  an X server at 1366x768; its display number is written to DIR/xvfb/display
# dbus:  a session bus at unix:path=DIR/dbus/bus (also written to DIR/dbus/address)
# Every process started is stopped again by the pid recorded here.
source "$(dirname "$0")/session.sh"
state=$3/$2
unset PULSE_SERVER DISPLAY
# They outlive this script: no output of theirs may hold the caller's pipes open.
case "$1 $2" in
"start pulse") session_dirs root "$state" && session_server=pulse server_start </dev/null ;;
"start xvfb") session_dirs root "$state" && x_start 1366x768 </dev/null ;;
"start dbus")
    mkdir -p "$state"
    spawn dbus-daemon --session --nofork --address="unix:path=$state/bus" --print-address=3 3>"$state/address" \
        </dev/null >/dev/null 2>&1
    wait_for "[ -s '$state/address' ]" "the session bus" ;;
"stop "*)
    [ ! -f "$state/pid" ] || stop_pid "$(cat "$state/pid")"
    rm -f "$state/pid"
    exit 0 ;;
*) echo "usage: services.sh start|stop pulse|xvfb|dbus DIR" >&2; exit 2 ;;
esac
echo "${session_pids[0]}" >"$state/pid"
