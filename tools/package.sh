#!/usr/bin/env bash
# Builds the Debian packages kevaro and kevaro-soundsets with dpkg-buildpackage:
#     tools/package.sh [--source] [OUTDIR]   (default: build/)
# from the work tree's files (those git tracks or would track, as they are now), in a copy of
# their own under OUTDIR, so that the tree stays clean; the build's log is OUTDIR/debian-build.log.
# Prints the paths of the two packages. With --source it also makes the source package
# (kevaro_<version>.dsc and its tarball).
# Install them with   sudo apt install ./kevaro_*.deb ./kevaro-soundsets_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source=no
[ "${1:-}" != --source ] || { source=yes; shift; }
out=$(realpath -m "${1:-$root/build}")
"$root/tools/install-deps.sh"
version=$(cd "$root" && dpkg-parsechangelog -S Version)
arch=$(dpkg-architecture -qDEB_HOST_ARCH)
built=$out/.debian-build
src=$built/kevaro-$version
rm -rf "$built"
mkdir -p "$src"
trap 'rm -rf "$built"' EXIT
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar -c --null -T - -f -) | tar -x -C "$src"
if [ "$source" = yes ]; then
    (cd "$built" && dpkg-source -b "${src##*/}" >/dev/null)
    mv "$built/kevaro_$version.dsc" "$built/kevaro_$version.tar.xz" "$out/"
fi
# -J2: two build jobs at most, as the machine is shared.
status=0
(cd "$src" && dpkg-buildpackage -us -uc -b -J2 >"$out/debian-build.log" 2>&1) || status=$?
if [ "$status" -ne 0 ]; then
    tail -n 50 "$out/debian-build.log" >&2
    echo "dpkg-buildpackage failed ($status); the log: $out/debian-build.log" >&2
    exit 1
fi
for f in kevaro_"$version"_"$arch".deb kevaro-soundsets_"$version"_all.deb \
    kevaro_"$version"_"$arch".buildinfo kevaro_"$version"_"$arch".changes; do
    mv "$built/$f" "$out/"
done
# The debug symbols, unless DEB_BUILD_OPTIONS said noddebs.
dbgsym=$built/kevaro-dbgsym_${version}_$arch.deb
[ ! -e "$dbgsym" ] || mv "$dbgsym" "$out/"
echo "$out/kevaro_${version}_$arch.deb"
echo "$out/kevaro-soundsets_${version}_all.deb"
