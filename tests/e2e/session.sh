# Shared steps of the end-to-end tests, the shared services and the session benches, sourced.
# session_start USER pulse|pipewire DIR [yes|no]: X server, session bus and sound server (a null
# sink "v" as default) run as USER, root or a plain user (created when missing); with yes|no,
# RealtimeKit is up before the sound server, as on a desktop, so that the server's own threads
# run real-time too. With pulse_config=minimal PulseAudio loads only its socket, not its stock
# configuration. realtimekit_start yes|no: a private system bus with polkitd and rtkit-daemon,
# with yes a polkit rule granting RealtimeKit to USER; as_user CMD...: runs CMD in the session
# as USER; session_stop: ends all of it by pid.
# Exports DISPLAY, PULSE_SERVER, DBUS_SESSION_BUS_ADDRESS and DBUS_SYSTEM_BUS_ADDRESS. The X
# screen is 1366x768, or $screen (WxH) if set. sway_start SCALE: sway in that X server.
set -euo pipefail
e2e_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
session_pids=() session_rule=""

as_user() {
    local home=$session_dir/home run=()
    # Backgrounded (a subshell): become the command, so that $! is its pid.
    [ "$BASHPID" = "$$" ] || run=(exec)
    if [ "$session_user" = root ]; then
        "${run[@]}" env HOME="$home" XDG_RUNTIME_DIR="$session_dir/runtime" "$@"
    else
        # No capability and no real-time limit: what a desktop user has.
        "${run[@]}" setpriv --reuid="$session_user" --regid="$session_user" --init-groups --inh-caps=-all \
            env HOME="$home" XDG_RUNTIME_DIR="$session_dir/runtime" prlimit --rtprio=0 -- "$@"
    fi
}

# spawn CMD...: runs CMD in the background ($! its pid), to be stopped with the session.
spawn() { "$@" & session_pids+=("$!"); }

# wait_for COMMAND WHAT: up to 10 s until COMMAND succeeds.
wait_for() {
    for _ in $(seq 200); do eval "$1" >/dev/null 2>&1 && return 0; sleep 0.05; done
    echo "gave up waiting for $2" >&2
    return 1
}

# stop_pid PID...: asks them to end, and after 10 s forces them.
stop_pid() {
    local pid
    for pid; do kill -CONT "$pid" && kill "$pid" || true; done 2>/dev/null
    for pid; do wait_for "! kill -0 $pid" "$pid to end" 2>/dev/null || kill -9 "$pid" 2>/dev/null || true; done
}

session_stop() {
    stop_pid "${session_pids[@]}"
    rm -f ${session_rule:+"$session_rule"}
    session_pids=() session_rule=""
}

session_dirs() {
    session_user=$1 session_dir=$2
    install -d -o "$1" "$2/home" && install -d -m 700 -o "$1" "$2/runtime"
    chmod 755 "$2"
}

session_start() {
    id "$1" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$1"
    session_dirs "$1" "$3"
    session_server=$2
    unset PULSE_SERVER DISPLAY
    x_start "${screen:-1366x768}"
    spawn as_user dbus-daemon --session --nofork --address="unix:path=$session_dir/runtime/bus"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$session_dir/runtime/bus"
    wait_for "[ -S '$session_dir/runtime/bus' ]" "the session bus"
    [ -z "${4:-}" ] || realtimekit_start "$4"
    server_start
}

# x_start WxH: an X server of that size becomes the session's DISPLAY.
# No reset when the last client goes: a client that connects meanwhile would be turned away.
x_start() {
    spawn as_user Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$session_dir/display" >/dev/null 2>&1
    wait_for "[ -s '$session_dir/display' ]" "the X server"
    export DISPLAY=":$(cat "$session_dir/display")"
}

# sway_start SCALE: sway as the session's user, nested in the X server (in one window as large
# as the X screen, at output scale SCALE), without XWayland: the X pointer and keyboard, which
# xdotool drives, are sway's. Exports WAYLAND_DISPLAY, SWAYSOCK and XDG_SESSION_TYPE=wayland,
# as a desktop's Wayland session has them; DISPLAY stays, as GNOME and Plasma keep one.
sway_start() {
    local size
    size=$(xdpyinfo | awk '/dimensions:/ { print $2 }')
    printf '%s\n' "xwayland disable" "output * resolution $size scale $1" "default_border none" \
        "default_floating_border none" >"$session_dir/sway.config"
    spawn as_user env WLR_BACKENDS=x11 WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway -c "$session_dir/sway.config" >"$session_dir/sway.log" 2>&1
    wait_for "compgen -G '$session_dir/runtime/sway-ipc.*.sock'" sway || { tail "$session_dir/sway.log"; return 1; }
    export SWAYSOCK XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY
    SWAYSOCK=$(compgen -G "$session_dir/runtime/sway-ipc.*.sock")
    WAYLAND_DISPLAY=$(compgen -G "$session_dir/runtime/wayland-[0-9]")
}

# sway_shells APP_ID: the shells of sway's shown windows of that app_id ("xdg_shell" for a
# native Wayland one).
sway_shells() {
    swaymsg -t get_tree -r | python3 -c 'import json, sys
def walk(node):
    yield node
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        yield from walk(child)
print(" ".join(n.get("shell", "") for n in walk(json.load(sys.stdin))
               if n.get("app_id") == sys.argv[1] and n.get("visible")))' "$1"
}

# The session's sound server, also again after it was stopped; $server_pids its processes.
server_start() {
    local tool
    server_pids=""
    if [ "$session_server" = pulse ]; then
        local minimal=()
        [ "${pulse_config:-}" != minimal ] || minimal=(-n --load=module-native-protocol-unix)
        spawn as_user pulseaudio "${minimal[@]}" --daemonize=no --exit-idle-time=-1 --system=false \
            --log-target=file:"$session_dir/server.log" >>"$session_dir/server.log" 2>&1
        server_pids=$!
    else
        for tool in pipewire wireplumber pipewire-pulse; do
            spawn as_user "$tool" >>"$session_dir/server.log" 2>&1
            server_pids+=" $!"
            [ "$tool" != pipewire ] || wait_for "[ -S '$session_dir/runtime/pipewire-0' ]" pipewire
        done
    fi
    export PULSE_SERVER="unix:$session_dir/runtime/pulse/native"
    wait_for "as_user pactl info" "the sound server"
    as_user pactl load-module module-null-sink sink_name=v >/dev/null
    wait_for "as_user pactl list short sinks | grep -qw v" "the null sink"
    as_user pactl set-default-sink v
}

# system_bus DIR: a private system bus, its socket DIR/socket, that lets everyone do anything.
system_bus() {
    mkdir -p -m 755 "$1"
    printf '<busconfig><type>system</type><listen>unix:path=%s</listen><auth>EXTERNAL</auth>
<policy context="default"><allow user="*"/><allow own="*"/><allow send_destination="*"/>
<allow receive_sender="*"/></policy></busconfig>\n' "$1/socket" >"$1/bus.conf"
    spawn dbus-daemon --config-file="$1/bus.conf" --nofork
    wait_for "[ -S '$1/socket' ]" "the system bus"
}

realtimekit_start() {
    local bus=$session_dir/system
    system_bus "$bus"
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$bus/socket"
    if [ "$1" = yes ]; then
        session_rule=/etc/polkit-1/rules.d/49-kevaro-test-$$.rules
        printf 'polkit.addRule(function(action, subject) { if (subject.user == "%s" &&
    action.id.indexOf("org.freedesktop.RealtimeKit1.") == 0) return polkit.Result.YES; });\n' \
            "$session_user" >"$session_rule"
        chmod 644 "$session_rule"
    fi
    spawn /usr/lib/polkit-1/polkitd --no-debug >"$bus/polkitd.log" 2>&1
    wait_for "busctl --address='$DBUS_SYSTEM_BUS_ADDRESS' status org.freedesktop.PolicyKit1" polkitd
    spawn /usr/libexec/rtkit-daemon --no-canary >"$bus/rtkit.log" 2>&1
    wait_for "busctl --address='$DBUS_SYSTEM_BUS_ADDRESS' status org.freedesktop.RealtimeKit1" rtkit-daemon
}

# The steps of a test. e2e_start [USER pulse|pipewire [yes|no]]: a scratch folder $work (home
# $work/home) with that session in it, or else the ctest fixtures' services; all gone at exit.
e2e_start() {
    work=$(mktemp -d)
    trap e2e_stop EXIT
    [ $# -eq 0 ] || { session_start "$1" "$2" "$work" ${3:+"$3"}; return; }
    session_dirs root "$work"
    export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime DISPLAY=":$(cat "$KEVARO_TEST_SERVICES/xvfb/display")"
    # A session bus of the fixtures', so that nothing autolaunches one of its own.
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$KEVARO_TEST_SERVICES/dbus/bus"
}

e2e_stop() { session_stop && [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"; }

fail() { echo "FAIL: $*" && grep -v '^"' "$work/kevaro.err" 2>/dev/null | tail -n 20; exit 1; }

# tone FILE HZ [SECONDS]: a sine tone as a note file.
tone() { mkdir -p "${1%/*}" && sox -n -r 48000 -b 16 -c 1 "$1" synth "${3:-0.4}" sine "$2" \
    fade 0 "${3:-0.4}" 0.02 vol 0.5; }

# settings DIR...: the settings file names the sound sets DIR...
# tone_sets: two sound sets of test tones and settings naming them. Set 1 has every key at its
# own pitch ($keys: each key's name and the place of a press, from G0, MIDI note 55, up;
# $wanted: their pitches); set 2 holds C1 alone, a short tone that only sounds on after its
# end when looped.
tone_sets() {
    keys=(g0:50:650 gis0:110:300 a0:160:650 ais0:239:300 h0:278:650 c1:380:650 cis1:434:300
        d1:490:650 dis1:570:300 e1:613:650 f1:700:650 fis1:765:300 g1:820:650 gis1:895:300
        a1:950:650 ais1:1024:300 h1:1060:650 c2:1150:650 cis2:1220:300 d2:1290:650 dis2:1340:300)
    read -ra wanted < <(awk 'BEGIN { for (m = 55; m <= 75; m++) printf "%.3f ", 440 * 2 ^ ((m - 69) / 12); print "" }')
    for i in "${!keys[@]}"; do tone "$work/one/key${keys[i]%%:*}.wav" "${wanted[i]}" 0.25; done
    tone "$work/two/keyc1.wav" 440 0.2
    settings "$work/one" "$work/two"
}

settings() {
    local i=0 dir
    mkdir -p "$work/home/.kevaro"
    for dir; do printf 'dir_%02d = %s\n' $((i += 1)) "$dir"; done >"$work/home/.kevaro/kevaro.config"
    chown -R "$session_user:" "$work/home"
}

# volume_bus SERVICE_FILE BIN_DIR: a session bus of the test's own that starts our volume
# service from BIN_DIR on demand, as the desktop's bus does from its service file.
volume_bus() {
    mkdir -p "$work/services"
    sed -e "s|@SYSTEMINFO_EXEC@|$2/kevaro-systeminfo|" -e "s|^Exec=/.*/kevaro-systeminfo$|Exec=$2/kevaro-systeminfo|" \
        "$1" >"$work/services/com.tiitoo.SystemInfo.service"
    printf '<busconfig><include>/usr/share/dbus-1/session.conf</include><servicedir>%s</servicedir></busconfig>\n' \
        "$work/services" >"$work/bus.conf"
    # Its own data folder: a volume service the user registered is not the one under test.
    XDG_DATA_HOME=$work/services spawn dbus-daemon --config-file="$work/bus.conf" --address="unix:path=$work/bus" --nofork
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
    wait_for "[ -S '$work/bus' ]" "the session bus"
}

# drawn_at X Y: where the point X Y of the 1366x768 scene is on the screen, which shows the
# scene scaled to fit and centred, with bands where the shape differs.
drawn_at() {
    local w h
    read -r w h < <(xdotool getdisplaygeometry)
    awk -v w="$w" -v h="$h" -v x="$1" -v y="$2" 'BEGIN { s = w / 1366 < h / 768 ? w / 1366 : h / 768
        printf "%d %d", (w - 1366 * s) / 2 + x * s, (h - 768 * s) / 2 + y * s }'
}

# drawn: the keys are on screen: a patch low on C1's white key is light throughout, which
# neither a window not drawn yet nor the X server's checkered root is.
drawn() {
    local at
    at=$(drawn_at 390 650)
    import -display "$DISPLAY" -window root -crop "4x4+${at% *}+${at#* }" +repage -depth 8 gray:- |
        od -An -v -tu1 | awk '{ for (i = 1; i <= NF; i++) if ($i < 200) exit 1 } END { if (!NR) exit 1 }'
}

# start_kevaro [VAR=VALUE...]: starts $kevaro in the session and waits for its window and its
# keys drawn: presses before the first frame would bunch up. With $settle set it returns that
# many seconds after the window shows instead, for a test that presses early on purpose.
start_kevaro() {
    spawn as_user env QT_QPA_PLATFORM=xcb "$@" "$kevaro" >/dev/null 2>"$work/kevaro.err"
    kevaro_pid=$!
    wait_for "xdotool search --onlyvisible --pid $kevaro_pid" "the window" || fail "no window"
    if [ -n "${settle:-}" ]; then
        sleep "$settle"
    else
        wait_for drawn "the keys" || fail "the window shows no keys"
    fi
}

click() { xdotool mousemove "$1" "$2" click 1; }

# close_kevaro X Y [WHEN]: clicks the close mark at X Y; the piano must end with status 0.
close_kevaro() {
    click "$1" "$2"
    wait_for "! kill -0 $kevaro_pid" "the end" || fail "kevaro did not end after close ${3:-}"
    wait "$kevaro_pid" || fail "kevaro ended with status $? ${3:-}"
}

# Records the sink's output (s16le, mono, 48 kHz) into $1 until stop_recording; returns once
# the stream delivers. A recorder that falls behind loses samples, which would bend the pitches
# heard: it takes a roomy buffer, and real-time priority where allowed.
start_recording() {
    local rt=()
    as_user chrt -r 1 true 2>/dev/null && rt=(chrt -r 1)
    spawn as_user "${rt[@]}" parec --latency-msec=50 --raw --format=s16le --rate=48000 --channels=1 \
        -d v.monitor >"$1"
    recorder=$!
    wait_for "[ -s '$1' ]" "sound from the sound server"
}

stop_recording() { kill "$recorder" && wait "$recorder" 2>/dev/null || true; }

# loudest FILE [BYTES]: the loudest sample of a recording, or of its last BYTES.
loudest() { tail -c "${2:-+1}" "$1" | od -An -v -t d2 | tr -s ' ' '\n' | tr -d - | sort -n | tail -n 1; }

# onset_ms FILE BYTE: milliseconds from byte BYTE of a recording to its first loud sample.
onset_ms() {
    tail -c "+$(($2 / 2 * 2 + 1))" "$1" | od -An -v -w2 -t d2 |
        awk '!at && ($1 > 4000 || $1 < -4000) { at = NR } END { if (at) printf "%d\n", (at - 1) / 48 }'
}

# heard_out FILE BYTE: since byte BYTE the recording has sounded, and its last 100 ms are quiet.
heard_out() { [ "$(loudest "$1" "+$(($2 + 1))")" -gt 2000 ] && [ "$(loudest "$1" 9600)" -lt 1000 ]; }

# press_heard WHAT [COMMAND...]: records, runs COMMAND, presses C1 (at X Y of $press, if set),
# then runs $after_press; C1 must be heard, within $within ms (500 unless set), at its pitch:
# $pitch Hz (523.25, the tests' own C1 tone, unless set). The press is placed in the recording
# by its length then, which runs behind the sink by the recorder's latency, more so on a busy
# machine: 500 ms leave room for that and still tell a note heard at once from one a second
# late. The figures themselves are the benchmark's.
press_heard() {
    local at onset
    start_recording "$work/heard.raw"
    "${@:2}"
    at=$(stat -c %s "$work/heard.raw")
    click ${press:-380 650}
    ${after_press:-}
    wait_for "[ \$(stat -c %s '$work/heard.raw') -gt $((at + (${within:-500} + 1000) * 96)) ]" \
        "sound after the press" || fail "the recording stopped"
    stop_recording
    onset=$(onset_ms "$work/heard.raw" "$at")
    echo "$1: heard ${onset:-never} ms after the press"
    [ -n "$onset" ] || fail "$1 was not heard"
    [ "$onset" -le "${within:-500}" ] || fail "$1 was heard only $onset ms after the press"
    python3 "$e2e_dir/tones.py" "$work/heard.raw" "${pitch:-523.25}" || fail "$1 was not C1"
}

# stream_state: the piano's output on the session's sound server, running, paused or none:
# PulseAudio's sink input of Kevaro (corked when paused), or PipeWire's node "kevaro".
stream_state() {
    if [ "$session_server" = pulse ]; then
        as_user pactl list sink-inputs | awk '/^Sink Input #/ { corked = "" } /Corked:/ { corked = $2 }
            !state && tolower($0) ~ /application.name = "kevaro"/ { state = corked == "no" ? "running" : "paused" }
            END { print state ? state : "none" }'
    else
        as_user pw-dump | python3 -c 'import json, sys
nodes = [o["info"] for o in json.load(sys.stdin) if o.get("type", "").endswith(":Node")]
states = [n["state"] for n in nodes if n["props"].get("node.name") == "kevaro"]
print({"running": "running", "idle": "paused", "suspended": "paused"}.get(states[0], states[0]) if states else "none")'
    fi
}

# shot FILE: the keys on screen, without the control bar (whose pressed button may still glow).
shot() { import -display "$DISPLAY" -window root -crop 1366x680+0+88 +repage "$1"; }

# screen_shows FILE WHEN: up to 10 s until the keys look as in FILE.
screen_shows() {
    wait_for "shot '$work/now.png' && compare -fuzz 3% -metric AE '$1' '$work/now.png' null:" "the screen $2"
}
