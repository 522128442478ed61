#!/usr/bin/env bash
# End to end: the built piano in a real X window with a real sound server. Each of the 21 keys
# is clicked with xdotool and must sound its own note file (a test tone) at the sink.
set -euo pipefail
kevaro=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

# key name, x, y of a press, MIDI note
keys=(
    "g0 50 650 55" "gis0 110 300 56" "a0 160 650 57" "ais0 239 300 58" "h0 278 650 59"
    "c1 380 650 60" "cis1 434 300 61" "d1 490 650 62" "dis1 570 300 63" "e1 613 650 64"
    "f1 700 650 65" "fis1 765 300 66" "g1 820 650 67" "gis1 895 300 68" "a1 950 650 69"
    "ais1 1024 300 70" "h1 1060 650 71" "c2 1150 650 72" "cis2 1220 300 73" "d2 1290 650 74"
    "dis2 1340 300 75"
)
mkdir -p "$work/home/.kevaro" "$work/tones"
for key in "${keys[@]}"; do
    read -r name _ _ midi <<<"$key"
    freq=$(awk -v m="$midi" 'BEGIN { printf "%.3f", 440 * 2 ^ ((m - 69) / 12) }')
    sox -n -r 48000 -b 16 -c 1 "$work/tones/key$name.wav" synth 0.25 sine "$freq" fade 0 0.25 0.02 vol 0.5
done
printf 'dir_01 = %s\n' "$work/tones" >"$work/home/.kevaro/kevaro.config"

export HOME="$work/home"
start_kevaro "$kevaro"
start_recording "$work/rec.raw"

for key in "${keys[@]}"; do
    read -r _ x y _ <<<"$key"
    click "$x" "$y"
    sleep 0.4
done
sleep 0.3
stop_recording

mapfile -t heard < <(python3 "$here/tones.py" "$work/rec.raw")
echo "heard ${#heard[@]} notes"
fail=0
for i in "${!keys[@]}"; do
    read -r name _ _ midi <<<"${keys[$i]}"
    want=$(awk -v m="$midi" 'BEGIN { printf "%.1f", 440 * 2 ^ ((m - 69) / 12) }')
    got=$(awk '{ print $2 }' <<<"${heard[$i]:-0 0}")
    if awk -v g="$got" -v w="$want" 'BEGIN { exit !(g > w * 0.99 && g < w * 1.01) }'; then
        echo "key$name: $got Hz"
    else
        echo "key$name: wanted $want Hz, heard $got Hz"
        fail=1
    fi
done
if [ "$fail" -ne 0 ]; then
    echo "--- kevaro's output"
    tail -20 "$work/kevaro.err"
fi
exit "$fail"
