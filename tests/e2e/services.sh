#!/usr/bin/env bash
# Starts and stops the services the tests share, each private to one state folder:
#   services.sh start|stop pulse|xvfb|dbus DIR
# pulse: a PulseAudio with a null sink "v" as default; clients use PULSE_SERVER=unix:DIR/pulse/runtime/pulse/native
# xvfb:  an X server at 1366x768; its display number is written to DIR/xvfb/display
# dbus:  a session bus at unix:path=DIR/dbus/bus (also written to DIR/dbus/address)
# Every process started is stopped again by the pid recorded here.
set -euo pipefail
state=$3/$2
case "$1 $2" in
"start pulse")
    mkdir -p "$state/home" "$state/runtime"
    chmod 700 "$state/runtime"
    export HOME="$state/home" XDG_RUNTIME_DIR="$state/runtime" XDG_CONFIG_HOME="$state/home/.config"
    unset PULSE_SERVER DISPLAY
    pulseaudio -D --exit-idle-time=-1 --system=false --log-target=file:"$state/log" 2>>"$state/log"
    for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    cp "$XDG_RUNTIME_DIR/pulse/pid" "$state/pid"
    pactl load-module module-null-sink sink_name=v >/dev/null
    pactl set-default-sink v
    ;;
"start xvfb")
    mkdir -p "$state"
    Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$state/display" >"$state/log" 2>&1 &
    echo $! >"$state/pid"
    for _ in $(seq 100); do [ -s "$state/display" ] && exit 0; sleep 0.1; done
    echo "Xvfb did not start"; cat "$state/log"; exit 1
    ;;
"start dbus")
    mkdir -p "$state"
    dbus-daemon --session --fork --address="unix:path=$state/bus" --print-address=3 --print-pid=4 \
        3>"$state/address" 4>"$state/pid"
    ;;
"stop "*)
    [ -f "$state/pid" ] || exit 0
    pid=$(cat "$state/pid")
    if kill "$pid" 2>/dev/null; then
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$state/pid"
    ;;
*) echo "usage: services.sh start|stop pulse|xvfb|dbus DIR" >&2; exit 2 ;;
esac
