#!/usr/bin/env bash
# The Debian packages installed for real. A fresh minimal Debian 12 root (mmdebstrap) gets the
# two packages alone (apt-get install --no-install-recommends): every file lands in /usr,
# `kevaro --version` answers, the manual page names every option of --help, and the piano loads
# its document on the offscreen platform without a word of a missing QML module or plugin. Then
# the root gets kevaro's Recommends and the test tools, and a new plain user's first start under
# Xvfb, with the sound server apt chose and a session bus of the root's own, names the installed
# sound sets, sounds middle C for C1, and the volume slider reaches kevaro-systeminfo through
# D-Bus activation from its installed service file.
#   clean_root.sh KEVARO_DEB KEVARO_SOUNDSETS_DEB      (as root; needs Debian's archive)
# Whatever runs in the root runs in mount and pid namespaces of its own (the session in a
# network namespace too): its mounts and processes end with it, on failure as well.
# KEVARO_PLANT=missing-module|no-service plants a fault that the test must report.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
debs=("$(realpath "$1")" "$(realpath "$2")")
version=$(dpkg-deb -f "${debs[0]}" Version)
root=$(mktemp -d /var/tmp/kevaro-root.XXXXXX)
chmod 755 "$root"

cleanup() {
    local status=$? mount
    # Nothing should be mounted there any more; should something be, it goes before the files.
    for mount in $(findmnt -rn -o TARGET | awk -v r="$root/" 'index($0, r) == 1' | sort -r); do
        echo "left mounted: $mount" >&2
        umount -l "$mount"
        status=1
    done
    rm -rf --one-file-system "$root"
    exit "$status"
}
trap cleanup EXIT

# in_root [--net] COMMAND...: COMMAND in the root, with /proc, /sys and /dev, and /run and
# /dev/shm of its own, in a clean environment; with --net, in a network namespace of its own
# too, where its X server's abstract socket meets no other.
in_root() {
    local net=()
    [ "$1" != --net ] || { net=(--net); shift; }
    unshare --mount --pid --fork --kill-child "${net[@]}" -- bash -c '
        set -e; r=$1; shift
        mount -t proc proc "$r/proc"
        mount -t sysfs sysfs "$r/sys"
        mount --rbind /dev "$r/dev"
        mount -t tmpfs -o mode=1777 tmpfs "$r/dev/shm"
        mount -t tmpfs -o mode=755 tmpfs "$r/run"
        # Where logind keeps its state, as on a booted system: WirePlumber watches these folders
        # and ends without them.
        mkdir -p "$r"/run/systemd/seats "$r"/run/systemd/sessions "$r"/run/systemd/users \
            "$r"/run/systemd/machines
        exec chroot "$r" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
            DEBIAN_FRONTEND=noninteractive "$@"' in_root "$root" "$@"
}

step() { echo "== $* (at ${SECONDS} s)"; }
fail() { echo "FAIL: $*"; exit 1; }

step "a fresh Debian 12 root in $root"
# In a mount namespace of its own, so that no mount of mmdebstrap's outlives it.
unshare --mount -- mmdebstrap --variant=apt --aptopt='Acquire::Check-Valid-Until "false"' \
    bookworm "$root" >"$root.log" 2>&1 || { cat "$root.log"; rm -f "$root.log"; fail "mmdebstrap"; }
rm -f "$root.log"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# No services start in the root: its processes end with each command.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d" && chmod 755 "$root/usr/sbin/policy-rc.d"
mkdir -p "$root/kevaro-test"
cp "${debs[@]}" "$here/in_root.sh" "$here/../e2e/session.sh" "$here/../e2e/tones.py" "$root/kevaro-test/"
in_root apt-get update -qq

step "the two packages alone"
in_root apt-get install -y -q --no-install-recommends \
    "/kevaro-test/${debs[0]##*/}" "/kevaro-test/${debs[1]##*/}" >"$root/kevaro-test/apt.log" 2>&1 ||
    { cat "$root/kevaro-test/apt.log"; fail "the packages did not install"; }
grep -c '^Setting up' "$root/kevaro-test/apt.log" |
    sed 's/^/packages set up: /'
outside=$(in_root dpkg -L kevaro kevaro-soundsets | grep -Ev '^/(\.|usr|etc)(/|$)' || true)
[ -z "$outside" ] || fail "files outside /usr and /etc: $outside"
echo "every file in /usr"
[ "$(in_root kevaro --version)" = "kevaro $version" ] || fail "kevaro --version: $(in_root kevaro --version)"
echo "kevaro --version: kevaro $version"
page=$(zcat "$root/usr/share/man/man1/kevaro.1.gz" | sed 's/\\-/-/g')
for option in $(in_root kevaro --help | grep -o -- '--[a-z-]*' | sort -u); do
    grep -q -- "$option" <<<"$page" || fail "the manual page does not name $option"
done
echo "the manual page names every option"
[ "${KEVARO_PLANT:-}" != missing-module ] ||
    in_root dpkg --purge --force-depends qml6-module-qtquick-virtualkeyboard >/dev/null 2>&1
in_root bash /kevaro-test/in_root.sh offscreen

step "the Recommends and the test tools"
recommends=$(in_root dpkg-query -W -f='${Recommends}' kevaro)
in_root apt-get satisfy -y -q --no-install-recommends \
    "$recommends, xvfb, xdotool, imagemagick, sox, pulseaudio-utils, python3, passwd, mawk" \
    >"$root/kevaro-test/apt.log" 2>&1 || { cat "$root/kevaro-test/apt.log"; fail "apt-get satisfy"; }
if in_root dpkg-query -W -f='${Status}\n' pipewire-pulse 2>/dev/null | grep -q 'ok installed'; then
    # PipeWire's pulse server, with the session manager it recommends, which links the streams.
    server=pipewire
    in_root apt-get install -y -q --no-install-recommends wireplumber >"$root/kevaro-test/apt.log" 2>&1 ||
        { cat "$root/kevaro-test/apt.log"; fail "wireplumber did not install"; }
else
    server=pulse
fi
echo "the sound server apt chose: $server"
[ "${KEVARO_PLANT:-}" != no-service ] || rm "$root/usr/share/dbus-1/services/com.tiitoo.SystemInfo.service"
# The X servers' socket folder, which a plain user's Xvfb cannot make.
install -d -m 1777 "$root/tmp/.X11-unix"

step "a new plain user's first start under Xvfb with $server"
in_root --net bash /kevaro-test/in_root.sh session "$server"
step "done"
