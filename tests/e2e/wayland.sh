#!/usr/bin/env bash
# The piano in a plain user's Wayland session: sway nested in the X server at output scale SCALE
# (1 or 2), the session saying Wayland, an X DISPLAY beside it and no Qt platform chosen. The
# piano must be sway's own window (xdg_shell) named org.kevaro.Kevaro; xdotool moves sway's
# pointer. At scale 1 each of the 21 keys sounds its own note, a sound set is chosen and a looped
# note sounds until Stop; at scale 2 four keys sound theirs and the close button is drawn from
# its double-size picture, pixel for pixel. At both a settings field brings up the on-screen
# keyboard, which types beside the hardware keys, and close ends the piano with status 0.
#   wayland.sh KEVARO SCALE [SCREENSHOT]   (SCREENSHOT: keeps a picture with the keyboard up)
kevaro=$1 scale=$2
source "$(dirname "$0")/session.sh"
unset QT_QPA_PLATFORM
screen=$((1366 * scale))x$((768 * scale))
e2e_start kevaro-test pulse
sway_start "$scale"

# A press at x y of the 1366x768 scene, which fills the screen.
tap() { click $(($1 * scale)) $(($2 * scale)); }
# luma X Y: the screen's lightness (0 to 255) at the scene's x y.
luma() {
    import -display "$DISPLAY" -window root -crop 1x1+$(($1 * scale))+$(($2 * scale)) png:- |
        convert - -format '%[fx:int(255*luminance)]' info:
}
# record_for SECONDS FILE: waits until the recording in FILE holds SECONDS more of sound.
record_for() {
    local until=$(($(stat -c %s "$2") + ${1%.*} * 96000 + ${1#*.} * 9600))
    wait_for "[ \$(stat -c %s '$2') -ge $until ]" "$1 s of recording"
}

tone_sets
# The end keys, a black key and a white key beside a black one.
[ "$scale" = 1 ] || { keys=("${keys[0]}" "${keys[6]}" "${keys[19]}" "${keys[20]}")
    wanted=("${wanted[0]}" "${wanted[6]}" "${wanted[19]}" "${wanted[20]}"); }

spawn as_user "$kevaro" >/dev/null 2>"$work/kevaro.err"
kevaro_pid=$!
wait_for '[ "$(sway_shells org.kevaro.Kevaro)" = xdg_shell ]' "the piano's window in sway" ||
    fail "sway shows no native window org.kevaro.Kevaro: '$(sway_shells org.kevaro.Kevaro)'"
wait_for '[ "$(luma 380 650)" -gt 200 ]' "the keys drawn" || fail "the keys were not drawn"

start_recording "$work/keys.raw"
for key in "${keys[@]}"; do IFS=: read -r _ x y <<<"$key" && tap "$x" "$y" && record_for 0.4 "$work/keys.raw"; done
record_for 0.3 "$work/keys.raw" && stop_recording
python3 "$e2e_dir/tones.py" "$work/keys.raw" "${wanted[@]}" || fail "not every key sounded its note"

if [ "$scale" = 1 ]; then
    tap 390 32 # sound set 2
    tap 89 32  # loop
    start_recording "$work/looped.raw"
    tap 380 650
    record_for 1.2 "$work/looped.raw"
    looped=$(loudest "$work/looped.raw" 24000)
    tap 166 32 # stop
    record_for 0.6 "$work/looped.raw"
    stopped=$(loudest "$work/looped.raw" 24000)
    stop_recording
    grep -q "\"$work/two/keyc1.wav\"" "$work/kevaro.err" || fail "C1 did not play from sound set 2"
    [ "$looped" -ge 1000 ] && [ "$stopped" -lt 1000 ] ||
        fail "the looped note's peak was $looped a second after the press and $stopped after stop"
else
    # Sharp: inside its rounded corners the close button on screen is its @2x picture.
    import -display "$DISPLAY" -window root -crop 80x80+2618+24 +repage "$work/close.png"
    convert "$e2e_dir/../../qml/images/button_close@2x.png" -crop 80x80+10+10 +repage "$work/close-want.png"
    differ=$(compare -metric AE -fuzz 6% "$work/close-want.png" "$work/close.png" null: 2>&1 || true)
    [ "$differ" -lt 40 ] || fail "the close button is not its double-size picture: $differ pixels differ"
fi

# The settings panel; a tap at the end of the first name brings up the on-screen keyboard, whose
# "a" types beside a hardware key; the panel rises above the keyboard, and Save writes the name.
tap 865 32
tap 960 244
# The panel's grey rises into the black above it.
wait_for '[ "$(luma 400 100)" -gt 50 ]' "the panel to rise" || fail "no on-screen keyboard"

xdotool type x
tap 365 615 # the keyboard's "a"
[ -z "${3:-}" ] || import -display "$DISPLAY" -window root "$3"
tap 455 484 # Save, risen above the keyboard
wait_for "grep -qi '^dirname_01 = xa$' '$work/home/.kevaro/kevaro.config'" "the saved name" ||
    fail "the name typed was not saved: $(grep dirname_01 "$work/home/.kevaro/kevaro.config")"

close_kevaro $((1329 * scale)) $((32 * scale))
