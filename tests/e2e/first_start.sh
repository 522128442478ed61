#!/usr/bin/env bash
# End to end: a first start prepared by the run command's sound-set step. The seeded settings
# name the rendered sets, the captions show them, and a press on C1 sounds middle C.
set -euo pipefail
kevaro=$1 soundsets=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"
"$here/../../tools/install-soundsets.sh" "$soundsets" >"$work/install.log"
grep -q '^dir_01 = .*/kevaro/soundsets/grand$' "$HOME/.kevaro/kevaro.config" || {
    echo "the seeded settings do not name the piano set:"; cat "$HOME/.kevaro/kevaro.config"; exit 1; }

start_kevaro "$kevaro"
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
