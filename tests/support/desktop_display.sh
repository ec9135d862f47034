#!/usr/bin/env bash
# Runs a test program on a private X display set up as a person's desktop: Xvfb, the openbox
# window manager and the xcompmgr compositing manager (translucent windows, input regions). The
# program drives the real pointer and keyboard through the X server (XTEST; see
# tests/support/real_input.h). Listing the tests needs no display.
# Usage: desktop_display.sh <program> [arguments]
# Exit 77 (skipped) only when a piece of the desktop is missing on this machine.
set -uo pipefail

if [[ "$*" == *--gtest_list_tests* ]]; then
    QT_QPA_PLATFORM=offscreen exec "$@"
fi
if [[ "${1:-}" != "--inside" ]]; then
    for tool in xvfb-run openbox xcompmgr; do
        command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is missing"; exit 77; }
    done
    exec xvfb-run -a -s "-screen 0 1600x1000x24 -nolisten tcp" "$0" --inside "$@"
fi
shift
unset QT_QPA_PLATFORM
export QT_QPA_PLATFORM=xcb
pids=()
finish() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
}
trap finish EXIT
openbox >/dev/null 2>&1 &
pids+=($!)
xcompmgr >/dev/null 2>&1 &
pids+=($!)
# The window manager and the compositing manager own their selections once they run.
for _ in $(seq 1 100); do
    if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then break; fi
    sleep 0.05
done
sleep 0.3
"$@"
