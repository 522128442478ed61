#!/usr/bin/env bash
# Installs what is missing and builds into build/: every target (the piano, its tools, the
# tests), or only the targets named:   tools/build.sh [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j2 ${1:+--target "$@"}
