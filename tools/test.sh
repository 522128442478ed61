#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. The tests start their own services
# (X server, sound server, session buses) and stop them again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/build.sh"
services="$root/build/test-services"
# Stop whatever a broken run may have left behind.
trap 'for s in pulse xvfb dbus; do bash "$root/tests/e2e/services.sh" stop $s "$services"; done' EXIT
cd "$root/build"
ctest --output-on-failure --timeout 600 "$@"
