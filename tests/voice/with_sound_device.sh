#!/usr/bin/env bash
# Runs a voice test with a sound device of its own: a private PulseAudio server (in a throwaway
# runtime folder, reached by no other program) whose one output is a null sink, which takes the
# samples as a real device would and plays them nowhere. A test whose name says
# WithoutASoundDevice runs with no sound server at all, as on a machine without sound.
# Usage: with_sound_device.sh <program> [arguments]
# Exit 77 (skipped) when PulseAudio is missing on this machine.
set -uo pipefail

export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
if [[ "$*" == *--gtest_list_tests* ]]; then
    exec "$@"
fi
if [[ "$*" == *WithoutASoundDevice* ]]; then
    export PULSE_SERVER="unix:/nonexistent/lumeno-no-sound-server"
    exec "$@"
fi
command -v pulseaudio >/dev/null || { echo "SKIPPED: pulseaudio is missing (Debian: pulseaudio)"; exit 77; }

run="$(mktemp -d)"
chmod 700 "$run"
server=""
finish() {
    [[ -n "$server" ]] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    rm -rf "$run"
}
trap finish EXIT
HOME="$run" XDG_RUNTIME_DIR="$run" pulseaudio --daemonize=no --exit-idle-time=-1 -n \
    --disable-shm --log-target=stderr \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$run/native" \
    --load="module-null-sink sink_name=lumeno_test_sink" >"$run/pulseaudio.log" 2>&1 &
server=$!
export PULSE_SERVER="unix:$run/native"
for _ in $(seq 1 100); do
    [[ -S "$run/native" ]] && break
    sleep 0.05
done
if [[ ! -S "$run/native" ]]; then
    echo "FAILED: the sound server did not start"
    cat "$run/pulseaudio.log"
    exit 1
fi
"$@"
