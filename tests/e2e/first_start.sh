#!/usr/bin/env bash
# End to end: the Debian package. It builds, its desktop entry and metainfo validate, and
# unpacked into a folder of its own (XDG_DATA_DIRS naming it) it answers its command line
# and starts on an empty home: the first start names the packaged sound sets, the session bus
# starts the packaged volume service, and a press on C1 sounds middle C.
#   first_start.sh BUILD_DIR
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

(cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log") || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/pkg/kevaro_*.deb)
echo "package ${deb##*/}: $(stat -c %s "$deb") bytes"
root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/org.kevaro.Kevaro.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/org.kevaro.Kevaro.metainfo.xml
kevaro="$root/usr/bin/kevaro"

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
env -u DISPLAY -u QT_QPA_PLATFORM "$kevaro" --help | grep -q -- '--version'
[ "$("$kevaro" --version)" = "kevaro $(dpkg-deb -f "$deb" Version)" ]
status=0
QT_QPA_PLATFORM=offscreen "$kevaro" -platform offscreen --no-such-option 2>"$work/err" || status=$?
[ "$status" -eq 2 ] && [ "$(grep -c . "$work/err")" -eq 1 ] && grep -q "'no-such-option'" "$work/err" ||
    { echo "an unknown option gave status $status and:"; cat "$work/err"; exit 1; }

# A private session bus that knows the packaged service, its Exec moved along with the package.
mkdir "$work/services"
sed "s|^Exec=/usr/|Exec=$root/usr/|" "$root/usr/share/dbus-1/services/com.tiitoo.SystemInfo.service" \
    >"$work/services/com.tiitoo.SystemInfo.service"
grep -qx "Exec=$root/usr/bin/kevaro-systeminfo" "$work/services/com.tiitoo.SystemInfo.service"
cat >"$work/bus.conf" <<CONF
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <servicedir>$work/services</servicedir>
</busconfig>
CONF
XDG_DATA_HOME="$work/services" dbus-daemon --config-file="$work/bus.conf" --address="unix:path=$work/bus" \
    --fork --print-pid=4 4>"$work/bus.pid"
pids+=("$(cat "$work/bus.pid")")
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"

export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share"
export XDG_DATA_DIRS="$root/usr/share:/usr/share"
mkdir -p "$HOME"
pactl set-sink-volume v 50%
start_kevaro "$kevaro"

sets="$root/usr/share/kevaro/soundsets"
printf -v want 'dir_01 = %s\ndir_02 = %s\ndir_03 = %s\ndir_04 = %s\ndir_05 = %s\n' \
    "$sets/grand" "$sets/epiano" "$sets/organ" "$sets/harpsichord" "$sets/strings"
want+=$'dirname_01 = Grand\ndirname_02 = E-Piano\ndirname_03 = Organ\ndirname_04 = Harpsi\ndirname_05 = Strings'
[ "$(cat "$HOME/.kevaro/kevaro.config")" = "$want" ] || {
    echo "the first start wrote:"; cat "$HOME/.kevaro/kevaro.config"; tail "$work/kevaro.err"; exit 1; }

# Every start sets the system volume to 100, through the service the bus started.
for _ in $(seq 50); do pactl get-sink-volume v | grep -q ' 100%' && break; sleep 0.1; done
pactl get-sink-volume v | grep -q ' 100%' || { echo "the volume service did not set 100%"; exit 1; }

start_recording "$work/rec.raw"
click 390 650
sleep 1.5
stop_recording

heard=$(python3 "$here/tones.py" --rich "$work/rec.raw")
heard=${heard%%$'\n'*}
echo "keyc1 sounded: ${heard:-nothing} (onset ms, Hz)"
got=$(awk '{ print $2 }' <<<"${heard:-0 0}")
# Middle C is 261.6 Hz; allow about 20 cents.
awk -v g="$got" 'BEGIN { exit !(g > 258.6 && g < 264.7) }'
