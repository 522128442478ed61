# A desktop session of its own for the end-to-end scripts and benches, sourced:
#   session_start USER pulse|pipewire DIR   X server, session bus and sound server (a null sink
#                                           "v" as default), all run as USER (root or a plain
#                                           user; kevaro-test is created when missing)
#   realtimekit_start yes|no                a private system bus with polkitd and rtkit-daemon;
#                                           yes: a polkit rule grants RealtimeKit to USER
#   as_user CMD...                          runs CMD in the session, as USER
#   session_stop                            stops all of it by pid, removes the rule
# Exports DISPLAY, PULSE_SERVER, DBUS_SESSION_BUS_ADDRESS and DBUS_SYSTEM_BUS_ADDRESS.
session_pids=()
session_rule=""

session_stop() {
    local pid
    for pid in "${session_pids[@]}"; do
        kill -CONT "$pid" 2>/dev/null || true
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${session_pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    done
    session_pids=()
    [ -z "$session_rule" ] || rm -f "$session_rule"
    session_rule=""
}

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

wait_for() {
    for _ in $(seq 100); do eval "$1" >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "session: $2 did not start" >&2
    return 1
}

session_start() {
    session_user=$1 session_server=$2 session_dir=$3
    if [ "$session_user" != root ] && ! id "$session_user" >/dev/null 2>&1; then
        useradd --system --no-create-home --shell /usr/sbin/nologin "$session_user"
    fi
    mkdir -p "$session_dir/home" "$session_dir/runtime"
    chmod 755 "$session_dir"
    chmod 700 "$session_dir/runtime"
    chown -R "$session_user:" "$session_dir/home" "$session_dir/runtime"
    unset PULSE_SERVER DISPLAY

    exec 3>"$session_dir/display"
    as_user Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp >"$session_dir/xvfb.log" 2>&1 &
    session_pids+=("$!")
    exec 3>&-
    wait_for "[ -s '$session_dir/display' ]" "the X server"
    export DISPLAY=":$(cat "$session_dir/display")"

    as_user dbus-daemon --session --nofork --address="unix:path=$session_dir/runtime/bus" &
    session_pids+=("$!")
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$session_dir/runtime/bus"
    wait_for "[ -S '$session_dir/runtime/bus' ]" "the session bus"

    if [ "$session_server" = pulse ]; then
        as_user pulseaudio --daemonize=no --exit-idle-time=-1 --system=false \
            --log-target=file:"$session_dir/server.log" >>"$session_dir/server.log" 2>&1 &
        session_pids+=("$!")
    else
        local tool
        for tool in pipewire wireplumber pipewire-pulse; do
            as_user "$tool" >>"$session_dir/server.log" 2>&1 &
            session_pids+=("$!")
            [ "$tool" != pipewire ] || wait_for "[ -S '$session_dir/runtime/pipewire-0' ]" pipewire
        done
    fi
    export PULSE_SERVER="unix:$session_dir/runtime/pulse/native"
    wait_for "as_user pactl info" "the sound server"
    as_user pactl load-module module-null-sink sink_name=v >/dev/null
    wait_for "as_user pactl list short sinks | grep -qw v" "the null sink"
    as_user pactl set-default-sink v
}

realtimekit_start() {
    local bus=$session_dir/system
    mkdir -p "$bus"
    chmod 755 "$bus"
    cat >"$bus/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$bus/socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
    dbus-daemon --config-file="$bus/bus.conf" --nofork &
    session_pids+=("$!")
    wait_for "[ -S '$bus/socket' ]" "the system bus"
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$bus/socket"
    if [ "$1" = yes ]; then
        session_rule=/etc/polkit-1/rules.d/49-kevaro-test-$$.rules
        cat >"$session_rule" <<RULE
polkit.addRule(function(action, subject) {
    if (action.id.indexOf("org.freedesktop.RealtimeKit1.") == 0 && subject.user == "$session_user")
        return polkit.Result.YES;
});
RULE
        chmod 644 "$session_rule"
    fi
    /usr/lib/polkit-1/polkitd --no-debug >"$bus/polkitd.log" 2>&1 &
    session_pids+=("$!")
    wait_for "busctl --address='$DBUS_SYSTEM_BUS_ADDRESS' status org.freedesktop.PolicyKit1" polkitd
    /usr/libexec/rtkit-daemon --no-canary >"$bus/rtkit.log" 2>&1 &
    session_pids+=("$!")
    wait_for "busctl --address='$DBUS_SYSTEM_BUS_ADDRESS' status org.freedesktop.RealtimeKit1" rtkit-daemon
}
