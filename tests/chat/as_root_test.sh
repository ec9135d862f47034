#!/usr/bin/env bash
# Runs chat window tests as root on a private X display with a window manager, with nothing said
# about the web engine's sandbox: the client itself must start the engine so that it runs as root
# (the engine refuses its sandbox for root and would end the process).
# Usage: as_root_test.sh <chat_window_tests> <gtest name>...
# Exit 77 (skipped) when not run as root, or when the display is missing on this machine.
set -uo pipefail

if [[ "${1:-}" != "--inside" ]]; then
    [[ $(id -u) -eq 0 ]] || { echo "SKIPPED: not run as root"; exit 77; }
    command -v xvfb-run >/dev/null || { echo "SKIPPED: xvfb-run is missing (Debian: xvfb)"; exit 77; }
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" --inside "$@"
fi
shift
binary="$1"
shift
unset QTWEBENGINE_DISABLE_SANDBOX
export QT_QPA_PLATFORM=xcb
manager=""
if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    manager=$!
    sleep 0.5
fi
status=0
for name in "$@"; do
    timeout 150 "$binary" --gtest_filter="$name" || status=1
done
[[ -n "$manager" ]] && kill "$manager" 2>/dev/null
wait 2>/dev/null
exit "$status"
