#!/usr/bin/env bash
# Builds Kevaro and makes its Debian package:   tools/package.sh [OUTDIR]   (default: build/)
# Prints the package's path. Install it with   sudo apt install ./kevaro_<version>_amd64.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build}")
"$root/tools/install-deps.sh"
# The package lives in /usr, whatever an earlier configure of build/ chose.
cmake -S "$root" -B "$root/build" -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$root/build" -j2
mkdir -p "$out"
(cd "$root/build" && cpack -G DEB -B "$out/.cpack" >"$out/.cpack.log") ||
    { cat "$out/.cpack.log" >&2; exit 1; }
deb=$(ls "$out"/.cpack/kevaro_*.deb)
mv "$deb" "$out/"
rm -rf "$out/.cpack" "$out/.cpack.log"
echo "$out/${deb##*/}"
