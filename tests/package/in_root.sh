#!/usr/bin/env bash
# The steps of clean_root.sh that run inside the fresh root, beside a copy of session.sh and
# tones.py:
#   in_root.sh offscreen        the piano on the offscreen platform: it must load its document
#                               without a word of a missing QML module or plugin
#   in_root.sh session SERVER   a new plain user's first start under Xvfb with SERVER (pulse or
#                               pipewire) and a session bus of the root's own
source "$(dirname "$0")/session.sh"

# What Qt says when a module or plugin that the piano loads is not there.
missing='is not installed|Qt platform plugin|Cannot load library|[Pp]lugin .*not (found|loaded)|Failed to (load|create)|failed to load'

offscreen() {
    work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
    HOME=$work QT_QPA_PLATFORM=offscreen kevaro >"$work/out" 2>&1 &
    local pid=$!
    # The document is loaded, with every import it names, before the piano says this.
    wait_for "grep -q 'Start Sound' '$work/out' || ! kill -0 $pid" "the document" || true
    local running=yes
    kill -0 "$pid" 2>/dev/null || running=no
    stop_pid "$pid"
    wait "$pid" 2>/dev/null || true
    sed 's/^/  kevaro: /' "$work/out"
    [ "$running" = yes ] || { echo "FAIL: kevaro ended before it loaded its document"; exit 1; }
    grep -q 'Start Sound' "$work/out" || { echo "FAIL: kevaro did not load its document"; exit 1; }
    ! grep -Eq "$missing" "$work/out" || { echo "FAIL: kevaro misses a module or plugin"; exit 1; }
    echo "offscreen: the document loaded, nothing missing"
}

session() {
    e2e_start kevaro-user "$1"
    kevaro=/usr/bin/kevaro
    as_user pactl set-sink-volume v 50%
    start_kevaro
    sets=/usr/share/kevaro/soundsets
    want=$(printf "dir_0%s\n" "1 = $sets/grand" "2 = $sets/epiano" "3 = $sets/organ" \
        "4 = $sets/harpsichord" "5 = $sets/strings" &&
        printf 'dirname_0%s\n' "1 = Grand" "2 = E-Piano" "3 = Organ" "4 = Harpsi" "5 = Strings")
    [ "$(cat "$work/home/.kevaro/kevaro.config")" = "$want" ] ||
        fail "the first start wrote: $(cat "$work/home/.kevaro/kevaro.config")"
    echo "session: the first start named the installed sound sets"
    ! grep -Eq "$missing" "$work/kevaro.err" || fail "kevaro misses a module or plugin"
    # Every start sets the system volume to 100 through the volume service.
    wait_for "as_user pactl get-sink-volume v | grep -q ' 100%'" "100 %" ||
        fail "the volume service did not set 100 %"
    pitch=261.6 press_heard "a press on C1"
    # The slider, dragged as tests/e2e/controls.sh does: the value 60.
    xdotool mousemove 1209 30 mousedown 1
    for x in 1169 $(seq 1159 -10 1069); do sleep 0.05 && xdotool mousemove "$x" 30; done
    xdotool mouseup 1
    volume() { as_user pactl get-sink-volume v | grep -o '[0-9]*%' | sort -u; }
    wait_for '[ "$(volume)" = 60% ]' "60 %" || fail "after the drag the sound server's volume is $(volume)"
    # The name is served by our service, which nothing but the bus, from its service file, started.
    local pid
    pid=$(as_user dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetConnectionUnixProcessID string:com.tiitoo.SystemInfo | awk '/uint32/ { print $2 }')
    [ "$(readlink "/proc/${pid:-0}/exe")" = /usr/bin/kevaro-systeminfo ] ||
        fail "com.tiitoo.SystemInfo is served by ${pid:-nobody}: $(readlink "/proc/${pid:-0}/exe")"
    echo "session: the slider set 60 % through kevaro-systeminfo, started by the session bus"
    close_kevaro 1329 32
    echo "session: closed with status 0"
}

"$@"
