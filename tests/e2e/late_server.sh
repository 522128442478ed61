#!/usr/bin/env bash
# The piano started before its sound server: it says once that there is no sound output, and
# the next press after the server has come up is heard.   late_server.sh KEVARO
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
server=$work/server
trap 'bash "$here/services.sh" stop pulse "$server"; e2e_cleanup' EXIT
export PULSE_SERVER="unix:$server/pulse/runtime/pulse/native" HOME=$work/home
mkdir -p "$HOME/.kevaro" "$work/tones"
sox -n -r 48000 -b 16 -c 1 "$work/tones/keyc1.wav" synth 0.4 sine 523.25 vol 0.5
printf 'dir_01 = %s\n' "$work/tones" >"$HOME/.kevaro/kevaro.config"

start_kevaro "$1"
click 380 650
bash "$here/services.sh" start pulse "$server"
[ "$(grep -c "no sound output" "$work/kevaro.err")" -eq 1 ] || fail "not one line about the missing output"
sleep 2 # the piano looks for the server about once a second
start_recording "$work/rec.raw"
click 380 650
sleep 1
stop_recording
peak=$(od -An -v -t d2 "$work/rec.raw" | tr -s ' ' '\n' | tr -d - | sort -n | tail -1)
echo "loudest sample after the press: $peak"
[ "$peak" -gt 4000 ] || fail "the press after the server came up was not heard"
close_kevaro 1329 32
echo PASS
