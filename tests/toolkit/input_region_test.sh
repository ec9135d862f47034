#!/usr/bin/env bash
# Runs the input-region test on a private X display with a compositing manager, at 1x and at
# 2x. Usage: input_region_test.sh <toolkit_input_region_x11>
# Exit 77 (skipped) only when the display or the compositing manager is missing on this machine.
set -uo pipefail

if [[ "${1:-}" != "--inside" ]]; then
    command -v xvfb-run >/dev/null || { echo "SKIPPED: xvfb-run is missing (Debian: xvfb)"; exit 77; }
    command -v xcompmgr >/dev/null || { echo "SKIPPED: xcompmgr is missing (Debian: xcompmgr)"; exit 77; }
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" --inside "$1"
fi

binary="$2"
unset QT_QPA_PLATFORM
export QT_QPA_PLATFORM=xcb
xcompmgr &
compositor=$!
sleep 0.5
status=0
QT_SCALE_FACTOR=1 "$binary" || status=1
QT_SCALE_FACTOR=2 "$binary" || status=1
kill "$compositor" 2>/dev/null
wait 2>/dev/null
exit "$status"
