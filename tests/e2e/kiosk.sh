#!/usr/bin/env bash
# The kiosk: "cage -- kevaro" as a plain user, cage nested in the X server, started from a text
# console's session (XDG_SESSION_TYPE=tty) that has an X DISPLAY set. The piano is cage's
# Wayland client, not an X one; a key pressed by the pointer sounds; close ends the piano and
# with it cage, with status 0.   kiosk.sh KEVARO
kevaro=$1
source "$(dirname "$0")/session.sh"
unset QT_QPA_PLATFORM
# The size of cage's window in the X server.
screen=1024x768 w=1024 h=768
e2e_start kevaro-test pulse
tone "$work/home/tones/keyc1.wav" 523.25
settings "$work/home/tones"
# The place in the screen of the point x y of the 1366x768 scene, fitted and centred.
drawn_at() {
    awk -v w="$w" -v h="$h" -v x="$1" -v y="$2" 'BEGIN { s = w / 1366 < h / 768 ? w / 1366 : h / 768
        printf "%d %d", (w - 1366 * s) / 2 + x * s, (h - 768 * s) / 2 + y * s }'
}
luma() {
    import -display "$DISPLAY" -window root -crop "1x1+$1+$2" png:- | convert - -format '%[fx:int(255*luminance)]' info:
}

spawn as_user env WLR_BACKENDS=x11 WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 XDG_SESSION_TYPE=tty \
    cage -- "$kevaro" >/dev/null 2>"$work/kevaro.err"
cage_pid=$!
read -r x y <<<"$(drawn_at 380 650)"
wait_for '[ "$(luma $x $y)" -gt 200 ]' "the keys drawn in cage" || fail "the piano did not show in cage"
kevaro_pid=$(pgrep -P "$cage_pid" -x kevaro) || fail "cage runs no piano"
# Qt's Wayland platform is loaded, its X one is not.
grep -q libQt6WaylandClient "/proc/$kevaro_pid/maps" && ! grep -q libQt6XcbQpa "/proc/$kevaro_pid/maps" ||
    fail "the piano is no Wayland client of cage"
press=$(drawn_at 380 650) press_heard "a key under cage"
click $(drawn_at 1329 32)
wait_for "! kill -0 $cage_pid" "cage to end" || fail "cage did not end after close"
wait "$cage_pid" || fail "cage ended with status $?"
