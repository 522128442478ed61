#!/usr/bin/env bash
# Registers kevaro-systeminfo with the user's session bus, which then starts it on the first
# volume call:   install-systeminfo.sh [PATH/TO/kevaro-systeminfo]   (default: build/ of the repository)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
binary=$(realpath -e "${1:-$here/../build/kevaro-systeminfo}")
[ -x "$binary" ] || { echo "not an executable: $binary" >&2; exit 1; }
case "$binary" in *[[:space:]]*) echo "the binary's path must not hold blanks: $binary" >&2; exit 1 ;; esac

services="${XDG_DATA_HOME:-$HOME/.local/share}/dbus-1/services"
mkdir -p "$services"
sed "s|@SYSTEMINFO_EXEC@|$binary|" "$here/systeminfo/com.tiitoo.SystemInfo.service.in" \
    >"$services/com.tiitoo.SystemInfo.service"
echo "installed $services/com.tiitoo.SystemInfo.service -> $binary"

# A running bus mostly notices new service files itself; asking it to reload makes sure.
if [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    dbus-send --session --type=method_call --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.ReloadConfig 2>/dev/null || true
fi
