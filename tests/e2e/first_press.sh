#!/usr/bin/env bash
# The first press, 150 ms after the window shows, finds the piano's output already running on
# the sound server and is heard at once: on PulseAudio as a desktop configures it, on one that
# loads no more than its socket, and on PipeWire; a plain user's session with RealtimeKit.
#   first_press.sh KEVARO pulse|pulse-minimal|pipewire
kevaro=$1
for tool in setpriv prlimit /usr/libexec/rtkit-daemon /usr/lib/polkit-1/polkitd; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }; done
source "$(dirname "$0")/session.sh"
[ "$2" != pulse-minimal ] || pulse_config=minimal
e2e_start kevaro-test "${2%-minimal}" yes
tone "$work/home/tones/keyc1.wav" 523.25
settings "$work/home/tones"

# Starts the piano and returns 150 ms after its window shows, the output's state read on the
# way into $state.
start_then_150ms() {
    settle=0 start_kevaro
    local due=$(($(date +%s%N) / 1000000 + 150)) now
    state=$(stream_state)
    now=$(($(date +%s%N) / 1000000))
    [ "$now" -ge "$due" ] || sleep "$(printf '0.%03d' $((due - now)))"
}
press_heard "a press 150 ms after the window shows" start_then_150ms
[ "$state" = running ] || fail "just before the first press the output was $state, not running"
close_kevaro 1329 32
