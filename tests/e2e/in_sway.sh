#!/usr/bin/env bash
# Runs COMMAND as a Wayland client of sway at output scale SCALE, sway nested in an X server of
# its own and run by a plain user (it refuses root); exits with COMMAND's status.
#   in_sway.sh SCALE COMMAND...
scale=$1
shift
source "$(dirname "$0")/session.sh"
work=$(mktemp -d)
trap e2e_stop EXIT
id kevaro-test >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin kevaro-test
session_dirs kevaro-test "$work"
x_start $((1366 * scale))x$((768 * scale))
sway_start "$scale"
QT_QPA_PLATFORM=wayland "$@"
