#!/usr/bin/env bash
# The piano in the real window, with the shared sound server and our volume service on a session
# bus of the test's own: each of the 21 keys sounds its own note file (a test tone), a sound set
# is chosen, a looped note sounds until stop, the slider sets the sound server's volume and
# close ends the piano with status 0. Then, on screens of other sizes, a press where a key is
# drawn plays that key.   controls.sh KEVARO SERVICE_FILE (kevaro-systeminfo beside KEVARO)
kevaro=$1
source "$(dirname "$0")/session.sh"
e2e_start
volume_before=$(pactl get-sink-volume v | grep -o '[0-9]*%' | head -n 1)
trap 'e2e_stop; pactl set-sink-volume v "$volume_before"' EXIT # the sound server is shared
volume_bus "$2" "$(dirname "$kevaro")"

# Key name and the place of a press, from G0 (MIDI note 55) up.
keys=(g0:50:650 gis0:110:300 a0:160:650 ais0:239:300 h0:278:650 c1:380:650 cis1:434:300
    d1:490:650 dis1:570:300 e1:613:650 f1:700:650 fis1:765:300 g1:820:650 gis1:895:300
    a1:950:650 ais1:1024:300 h1:1060:650 c2:1150:650 cis2:1220:300 d2:1290:650 dis2:1340:300)
read -ra wanted < <(awk 'BEGIN { for (m = 55; m <= 75; m++) printf "%.3f ", 440 * 2 ^ ((m - 69) / 12); print "" }')
for i in "${!keys[@]}"; do tone "$work/one/key${keys[i]%%:*}.wav" "${wanted[i]}" 0.25; done
# Sound set 2 holds C1 alone: a short tone that only sounds on after its end when looped.
tone "$work/two/keyc1.wav" 440 0.2
settings "$work/one" "$work/two"
start_kevaro
start_recording "$work/keys.raw"
for key in "${keys[@]}"; do IFS=: read -r _ x y <<<"$key" && click "$x" "$y" && sleep 0.4; done
sleep 0.3 && stop_recording
python3 "$e2e_dir/tones.py" "$work/keys.raw" "${wanted[@]}" || fail "not every key sounded its note"

click 390 32 # sound set 2
click 89 32  # loop
start_recording "$work/looped.raw"
click 380 650
sleep 1.2
looped=$(loudest "$work/looped.raw" 24000)
click 166 32 # stop
sleep 0.6
stopped=$(loudest "$work/looped.raw" 24000)
stop_recording
grep -q "\"$work/two/keyc1.wav\"" "$work/kevaro.err" || fail "C1 did not play from sound set 2"
[ "$looped" -ge 1000 ] && [ "$stopped" -lt 1000 ] ||
    fail "the looped note's peak was $looped a second after the press and $stopped after stop"

# The slider: a jump past the drag distance, then steps of 10 pixels. The handle follows the
# last 100 pixels, from 250 to 150, which is the value 60.
xdotool mousemove 1209 30 mousedown 1
for x in 1169 $(seq 1159 -10 1069); do sleep 0.05 && xdotool mousemove "$x" 30; done
xdotool mouseup 1
volume() { pactl get-sink-volume v | grep -o '[0-9]*%' | sort -u; }
wait_for '[ "$(volume)" = 60% ]' "60 %" || fail "after the drag the sound server's volume is $(volume)"
close_kevaro 1329 32

# Other screens: the scene is scaled to fit and centred, with bands where the shape differs.
# The place in a screen of w x h pixels of the point x y of the 1366x768 scene:
drawn_at() {
    awk -v w="$w" -v h="$h" -v x="$1" -v y="$2" 'BEGIN { s = w / 1366 < h / 768 ? w / 1366 : h / 768
        printf "%d %d", (w - 1366 * s) / 2 + x * s, (h - 768 * s) / 2 + y * s }'
}
for size in 1920x1080 1024x768; do
    w=${size%x*} h=${size#*x}
    x_start "$size"
    start_kevaro
    # The end keys, a black key and a white key beside a black one.
    for key in "50 650" "434 300" "1280 650" "1345 300"; do click $(drawn_at $key) && sleep 0.1; done
    played=$(grep -o '/one/key[a-z0-9]*\.wav"' "$work/kevaro.err" | sed 's|/one/||; s|\.wav"||' | tr '\n' ' ')
    [ "$played" = "keyg0 keycis1 keyd2 keydis2 " ] || fail "at $size the presses played: $played"
    close_kevaro $(drawn_at 1329 32) "at $size"
done
