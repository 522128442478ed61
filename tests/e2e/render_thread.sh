#!/usr/bin/env bash
# The thread that renders the sound (kevaro-render) never waits: while 200 presses play (and on
# PipeWire 200 MIDI notes come in beside them, with the sustain pedal), it neither waits on a
# futex (a lock another thread holds), opens a file nor asks the kernel for memory, any of which
# can take longer than a cycle on a busy tablet and be heard as a click.
#   render_thread.sh KEVARO pulse|pipewire
kevaro=$1
for tool in setpriv prlimit strace /usr/libexec/rtkit-daemon /usr/lib/polkit-1/polkitd; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }; done
source "$(dirname "$0")/session.sh"
e2e_start kevaro-test "$2" yes
keys=(c1:380:650 d1:490:650 e1:613:650 f1:700:650 g1:820:650 cis1:434:300 dis1:570:300)
for key in "${keys[@]}"; do tone "$work/tones/key${key%%:*}.wav" 523.25 0.3; done
settings "$work/tones"
start_kevaro
render_thread() {
    local task
    for task in /proc/"$kevaro_pid"/task/*; do
        [ "$(cat "$task/comm" 2>/dev/null)" != kevaro-render ] || echo "${task##*/}"
    done
}
if ! wait_for '[ -n "$(render_thread)" ]' "a thread named kevaro-render"; then
    echo "SKIP: no thread of the piano is named kevaro-render (an engine without a mixer of its own)"
    exit 77
fi
render=$(render_thread)

# That one thread: with -f strace would attach every thread of the process.
spawn strace -p "$render" -e trace=futex,openat,mmap,brk -o "$work/render.trace" 2>"$work/strace.err"
tracer=$!
wait_for "grep -q 'Process $render attached' '$work/strace.err'" "strace to attach" || fail "strace did not attach"
start_recording "$work/presses.raw"
if [ "$2" = pipewire ]; then
    # Keys across the piano, 20 ms apart, let go 15 ms later; the pedal down for every tenth.
    python3 "$e2e_dir/midi.py" events "$work/notes.mid" $(for i in $(seq 0 199); do
        key=$(printf %x $((30 + i * 7 % 70)))
        echo "$((i * 20)):b0:40:$([ $((i % 10)) = 0 ] && echo 7f || echo 00) $((i * 20 + 1)):90:$key:64 $((i * 20 + 15)):80:$key:00"
    done) && chmod 644 "$work/notes.mid"
    spawn as_user pw-midiplay -P '{ node.autoconnect = false }' "$work/notes.mid"
    wait_for "as_user pw-link -o | grep -q '^pw-midiplay:'" "pw-midiplay's port" &&
        as_user pw-link "$(as_user pw-link -o | grep -m 1 '^pw-midiplay:')" Kevaro:midi-in ||
        fail "could not link pw-midiplay to Kevaro:midi-in"
fi
for i in $(seq 200); do
    IFS=: read -r _ x y <<<"${keys[i % ${#keys[@]}]}"
    click "$x" "$y"
done
# Every note rendered: the output went quiet after them.
wait_for '[ "$(stat -c %s "$work/presses.raw")" -gt 96000 ] && [ "$(loudest "$work/presses.raw" 9600)" -lt 1000 ]' \
    "the notes to end" || fail "the presses still sound"
stop_recording
kill "$tracer" && wait "$tracer" 2>/dev/null || true
[ "$(loudest "$work/presses.raw")" -gt 4000 ] || fail "the presses were not heard"
if grep -E 'futex\(.*FUTEX_(LOCK_PI|WAIT)|^(openat|mmap|brk)\(' "$work/render.trace" >"$work/bad.trace"; then
    echo "the render thread's calls while 200 presses played:"
    sort "$work/bad.trace" | sed 's/(.*//' | uniq -c
    head -n 5 "$work/bad.trace"
    fail "the render thread waits on a lock, opens files or asks for memory"
fi
echo "the render thread ($render) made $(grep -c . "$work/render.trace" || true) traced calls, none of them waits"
close_kevaro 1329 32
