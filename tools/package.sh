#!/usr/bin/env bash
# Builds the Debian packages kevaro and kevaro-soundsets with dpkg-buildpackage:
#     tools/package.sh [OUTDIR]   (default: build/)
# from the work tree's files (those git tracks or would track, as they are now), in a copy of
# its own under OUTDIR, so that the tree stays clean. Prints the paths of the two packages.
# Install them with   sudo apt install ./kevaro_*.deb ./kevaro-soundsets_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build}")
"$root/tools/install-deps.sh"
version=$(cd "$root" && dpkg-parsechangelog -S Version)
mkdir -p "$out"
src=$out/.debian-build/kevaro-$version
rm -rf "$out/.debian-build"
mkdir -p "$src"
trap 'rm -rf "$out/.debian-build"' EXIT
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar -c --null -T - -f -) | tar -x -C "$src"
# -J2: two build jobs at most, as the machine is shared.
(cd "$src" && dpkg-buildpackage -us -uc -b -J2 >../build.log 2>&1) ||
    { tail -n 50 "$out/.debian-build/build.log" >&2; echo "the log: $out/debian-build.log" >&2
      mv "$out/.debian-build/build.log" "$out/debian-build.log"; exit 1; }
mv "$out/.debian-build/build.log" "$out/debian-build.log"
arch=$(dpkg-architecture -qDEB_HOST_ARCH)
built=$out/.debian-build
for f in kevaro_"$version"_"$arch".deb kevaro-soundsets_"$version"_all.deb \
    kevaro_"$version"_"$arch".buildinfo kevaro_"$version"_"$arch".changes; do
    mv "$built/$f" "$out/"
done
# The debug symbols, unless DEB_BUILD_OPTIONS said noddebs.
[ ! -e "$built/kevaro-dbgsym_${version}_$arch.deb" ] || mv "$built/kevaro-dbgsym_${version}_$arch.deb" "$out/"
echo "$out/kevaro_${version}_$arch.deb"
echo "$out/kevaro-soundsets_${version}_all.deb"
