#!/usr/bin/env bash
# The install (cmake --install, as the Debian packages take it): into a folder of its own
# (XDG_DATA_DIRS naming it) its desktop entry and metainfo validate, it answers its command line
# with the packages' version and starts on an empty home: the first start names the installed
# sound sets, the session bus starts the installed volume service, which sets 100 %, and a
# press on C1 sounds middle C. tests/package/ tries the packages themselves.
#   first_start.sh BUILD_DIR
build=$1
source "$(dirname "$0")/session.sh"
e2e_start
root=$work/root
cmake --install "$build" --prefix "$root/usr" >"$work/install.log" || { cat "$work/install.log"; exit 1; }
desktop-file-validate "$root"/usr/share/applications/org.kevaro.Kevaro.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/org.kevaro.Kevaro.metainfo.xml
kevaro="$root/usr/bin/kevaro"
env -u DISPLAY -u QT_QPA_PLATFORM "$kevaro" --help | grep -q -- '--version'
[ "$("$kevaro" --version)" = "kevaro $(cd "$e2e_dir/../.." && dpkg-parsechangelog -S Version)" ] ||
    fail "kevaro --version says $("$kevaro" --version), debian/changelog another"
status=0
QT_QPA_PLATFORM=offscreen "$kevaro" -platform offscreen --no-such-option 2>"$work/err" || status=$?
[ "$status $(grep -c . "$work/err")" = "2 1" ] && grep -q "'no-such-option'" "$work/err" ||
    fail "an unknown option gave status $status and: $(cat "$work/err")"

volume_bus "$root/usr/share/dbus-1/services/com.tiitoo.SystemInfo.service" "$root/usr/bin"
export XDG_DATA_HOME="$HOME/.local/share" XDG_DATA_DIRS="$root/usr/share:/usr/share"
pactl set-sink-volume v 50%
start_kevaro
sets="$root/usr/share/kevaro/soundsets"
want=$(printf "dir_0%s\n" "1 = $sets/grand" "2 = $sets/epiano" "3 = $sets/organ" "4 = $sets/harpsichord" \
    "5 = $sets/strings" && printf 'dirname_0%s\n' "1 = Grand" "2 = E-Piano" "3 = Organ" "4 = Harpsi" "5 = Strings")
[ "$(cat "$HOME/.kevaro/kevaro.config")" = "$want" ] ||
    fail "the first start wrote: $(cat "$HOME/.kevaro/kevaro.config")"
# Every start sets the system volume to 100, through the service the bus started.
wait_for "pactl get-sink-volume v | grep -q ' 100%'" "100 %" || fail "the volume service did not set 100 %"
# The packaged Grand's C1 is middle C.
pitch=261.6 press_heard "a press on C1"
