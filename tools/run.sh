#!/usr/bin/env bash
# Installs what is missing, builds, prepares the user's first start (the volume service and
# the five sound sets in ~/.local/share, which a first start names in its new settings file),
# and starts the piano.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/build.sh" kevaro kevaro-systeminfo kevaro-soundsets
"$root/tools/install-systeminfo.sh" "$root/build/kevaro-systeminfo"
"$root/tools/install-soundsets.sh" "$root/build/kevaro-soundsets"
exec "$root/build/kevaro" "$@"
