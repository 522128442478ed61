#!/usr/bin/env bash
# The piano in a plain user's desktop session on PulseAudio or PipeWire, with RealtimeKit on a
# private system bus, as a desktop has it.   plain_user.sh KEVARO pulse|pipewire
kevaro=$1
for tool in setpriv prlimit pkcheck /usr/libexec/rtkit-daemon /usr/lib/polkit-1/polkitd; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }; done
source "$(dirname "$0")/session.sh"
e2e_start kevaro-test "$2" yes
tone "$work/home/tones/keyc1.wav" 523.25
settings "$work/home/tones"
settle=0.1
# The piano plays a stream of its own on either server.
# The pulse stream mixes a new note into what it has queued, so its periods stay long.
buffers="1024 frames a period at 48000 Hz through PulseAudio"
[ "$2" = pulse ] || buffers="256 frames a cycle at 48000 Hz through PipeWire"
press_heard "a press 100 ms after the window shows" start_kevaro KEVARO_IDLE_PAUSE_SECONDS=2
grep "($buffers.*real-time mixer: RealtimeKit)" "$work/kevaro.err" ||
    fail "the mixer did not get real-time priority from RealtimeKit"
# Real-time is the thread that mixes only: a Qt thread that started meanwhile must not be.
realtime=$(for task in /proc/"$kevaro_pid"/task/*; do
    chrt -p "${task##*/}" 2>/dev/null | grep -q SCHED_RR && cat "$task/comm"; done || true)
[ -n "$realtime" ] || fail "no thread of the piano runs real-time"
! grep -vxE 'kevaro-render' <<<"$realtime" || fail "these threads run real-time as well"

# Two seconds without a note pause the output; a press resumes it at once. Read while the
# note sounds: two seconds after it the output pauses again.
wait_for '[ "$(stream_state)" = paused ]' "the output to pause" || fail "idle, the output is $(stream_state)"
resumed() { wait_for '[ "$(stream_state)" = running ]' "the output to run" && resumed=yes; }
resumed=no
after_press=resumed press_heard "a press while the output is paused"
[ "$resumed" = yes ] || fail "a press left the output $(stream_state)"

# Killed and started again under the running piano, the sound server is found again.
kill $server_pids && wait $server_pids 2>/dev/null || true
server_start
wait_for '[ "$(stream_state)" != none ]' "the piano's output on the new server" || fail "no output after the restart"
press_heard "a press after the sound server restarted"
# MIDI: PulseAudio has none, which the piano says once, however often it opened an output; on
# PipeWire its ports are there.
if [ "$2" = pulse ]; then
    [ "$(grep -c "MIDI needs PipeWire" "$work/kevaro.err")" = 1 ] || fail "not one line saying PulseAudio has no MIDI"
else
    ! grep -q MIDI "$work/kevaro.err" && as_user pw-link -i | grep -qx Kevaro:midi-in ||
        fail "no MIDI port Kevaro:midi-in on PipeWire"
fi

# The sound server hangs: close still ends the piano, the next one's window still comes, and a
# press made before its output is ready (the server still stopped) sounds once the server
# answers again.
while_hung() {
    kill -STOP $server_pids
    close_kevaro 1329 32 "while the sound server hung"
    start_kevaro
}
within=1500 after_press="kill -CONT $server_pids" press_heard "a press before the output is ready" while_hung

# Without the rule polkit, and so RealtimeKit, refuses; then a system bus runs without
# RealtimeKit; then there is no system bus at all.
rm "$session_rule"
wait_for "! as_user sh -c 'exec pkcheck -a org.freedesktop.RealtimeKit1.acquire-real-time -p \$\$'" \
    "polkit to drop the rule"
system_bus "$work/bare"
for why in refuses "is not running" "is missing"; do
    bus=()
    [ "$why" != "is not running" ] || bus=(DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/bare/socket)
    [ "$why" != "is missing" ] || bus=(DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/nothing)
    press_heard "a press where RealtimeKit $why" start_kevaro "${bus[@]}"
    [ "$(grep -c "kevaro: no real-time mixer" "$work/kevaro.err")" = 1 ] &&
        grep -q "(1024 ${buffers#* }.*mixer: none)" "$work/kevaro.err" ||
        fail "RealtimeKit $why, yet not one line says so or the periods are not longer"
    close_kevaro 1329 32 "where RealtimeKit $why"
done

# Started before its sound server, the piano says so once and plays once the server is up.
kill $server_pids && wait $server_pids 2>/dev/null || true
start_kevaro
click 380 650
server_start
[ "$(grep -c "no sound output" "$work/kevaro.err")" -eq 1 ] || fail "not one line about the missing output"
wait_for '[ "$(stream_state)" != none ]' "the piano's output on the server" || fail "no output once the server is up"
press_heard "a press after the sound server came up"
close_kevaro 1329 32
