#!/usr/bin/env bash
# Reads the toolkit gallery from outside its process, as a screen reader does: the gallery runs
# on a private X display and a private session bus with the accessibility bus of at-spi2-core,
# and tests/toolkit/atspi_tree.py lists its tree through AT-SPI and checks what it finds.
# Usage: atspi_tree_test.sh <toolkit_gallery> <atspi_tree.py>
# Exit 77 (skipped) only when the pieces to run the bridge are missing on this machine.
set -uo pipefail

skip() {
    echo "SKIPPED: $*"
    exit 77
}

# The system's Python: the Debian packages put the AT-SPI bindings there.
python=/usr/bin/python3
[[ -x "$python" ]] || python=python3

if [[ "${1:-}" != "--inside" ]]; then
    gallery="$1"
    lister="$2"
    command -v dbus-run-session >/dev/null || skip "dbus-run-session is missing (Debian: dbus-bin)"
    command -v xvfb-run >/dev/null || skip "xvfb-run is missing (Debian: xvfb)"
    [[ -x /usr/libexec/at-spi-bus-launcher ]] ||
        skip "the accessibility bus launcher is missing (Debian: at-spi2-core)"
    "$python" -c 'import gi; gi.require_version("Atspi", "2.0"); from gi.repository import Atspi' \
        2>/dev/null || skip "the AT-SPI client library is missing (Debian: gir1.2-atspi-2.0, python3-gi)"
    exec dbus-run-session -- "$0" --inside "$gallery" "$lister"
fi

gallery="$2"
lister="$3"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export QT_ACCESSIBILITY=1
unset QT_QPA_PLATFORM
/usr/libexec/at-spi-bus-launcher --launch-immediately &
launcher=$!
xvfb-run -a -s "-screen 0 1920x1080x24" "$gallery" --with-dialog &
runner=$!
status=1
for _ in $(seq 1 40); do
    sleep 0.5
    "$python" -W ignore::DeprecationWarning "$lister"
    status=$?
    [[ $status -eq 2 ]] || break  # 2: the gallery is not on the bus yet
done
[[ $status -eq 2 ]] && echo "FAILED: the gallery never showed up on the accessibility bus"
# The gallery goes first, then its display.
for pid in $(pgrep -P "$runner"); do
    [[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == Xvfb ]] || kill "$pid" 2>/dev/null
done
sleep 0.3
pkill -P "$runner" 2>/dev/null
kill "$runner" "$launcher" 2>/dev/null
wait 2>/dev/null
exit "$status"
