#!/usr/bin/env bash
# Runs the desktop session tests on a private session bus that knows no other services: with
# "keyring", a real secret store (gnome-keyring, its login keyring made and unlocked with a
# throwaway password in a throwaway home) and a real notification server (notification-daemon on a
# private X display, where xdotool clicks its bubbles), whose calls dbus-monitor records for the tests ($LUMENO_NOTIFY_LOG); with
# "none", no secret store and no notification server at all.
# Usage: desktop_session_test.sh keyring|none <desktop_session_tests> [gtest arguments]
# Exit 77 (skipped) only when the pieces to set the session up are missing on this machine.
set -uo pipefail

skip() {
    echo "SKIPPED: $*"
    exit 77
}

notification_daemon=/usr/lib/notification-daemon/notification-daemon

if [[ "${1:-}" != "--inside" ]]; then
    mode="$1"
    shift
    for tool in dbus-run-session dbus-monitor dbus-send; do
        command -v "$tool" >/dev/null || skip "$tool is missing (Debian: dbus-bin)"
    done
    if [[ "$mode" == keyring ]]; then
        command -v gnome-keyring-daemon >/dev/null || skip "gnome-keyring-daemon is missing (Debian: gnome-keyring)"
        command -v Xvfb >/dev/null || skip "Xvfb is missing (Debian: xvfb)"
        [[ -x "$notification_daemon" ]] || skip "notification-daemon is missing (Debian: notification-daemon)"
        command -v xdotool >/dev/null || skip "xdotool is missing (Debian: xdotool)"
    fi
    home="$(mktemp -d)"
    trap 'rm -rf "$home"' EXIT
    cat >"$home/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$home</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
    mkdir -p "$home/run" && chmod 700 "$home/run"
    HOME="$home" XDG_RUNTIME_DIR="$home/run" XDG_DATA_HOME="$home/data" \
        XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" \
        dbus-run-session --config-file="$home/bus.conf" -- \
        "$0" --inside "$mode" "$home" "$@"
    exit $?
fi

mode="$2"
home="$3"
shift 3
binary="$1"
shift
pids=()

# Waits until a name has an owner on the bus (10 s at most).
wait_for_name() {
    for _ in $(seq 1 100); do
        dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
            org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q true && return 0
        sleep 0.1
    done
    echo "FAILED: $1 never came on the bus"
    return 1
}

finish() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
}
trap finish EXIT

if [[ "$mode" == keyring ]]; then
    printf 'throwaway' | gnome-keyring-daemon --foreground --unlock --components=secrets \
        >"$home/keyring.log" 2>&1 &
    pids+=($!)
    wait_for_name org.freedesktop.secrets || exit 1
    exec 4>"$home/display"
    Xvfb -displayfd 4 -nolisten tcp -screen 0 1280x800x24 >"$home/xvfb.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 1 100); do
        [[ -s "$home/display" ]] && break
        sleep 0.1
    done
    [[ -s "$home/display" ]] || { echo "FAILED: Xvfb did not start"; exit 1; }
    # The tests click the bubbles on this display.
    export LUMENO_NOTIFY_DISPLAY=":$(head -n 1 "$home/display")"
    DISPLAY="$LUMENO_NOTIFY_DISPLAY" "$notification_daemon" >"$home/notifications.log" 2>&1 &
    pids+=($!)
    wait_for_name org.freedesktop.Notifications || exit 1
    export LUMENO_NOTIFY_LOG="$home/notify-calls.log"
    dbus-monitor --session "type='method_call',interface='org.freedesktop.Notifications'" \
        >"$LUMENO_NOTIFY_LOG" 2>&1 &
    pids+=($!)
    # The monitor is listening once it has written its first lines.
    for _ in $(seq 1 50); do
        [[ -s "$LUMENO_NOTIFY_LOG" ]] && break
        sleep 0.1
    done
fi

export QT_QPA_PLATFORM=offscreen
unset DISPLAY
# One process per test, as ctest runs the other client tests: the client is one per process.
status=0
suite=""
while IFS= read -r line; do
    if [[ "$line" != " "* ]]; then
        suite="${line%%#*}"
        suite="${suite// /}"
        continue
    fi
    name="${line#  }"
    name="${name%%#*}"
    name="${name// /}"
    timeout 100 "$binary" --gtest_filter="$suite$name" || status=1
done < <("$binary" --gtest_list_tests "$@")
exit "$status"
