#!/bin/sh
# Run by hand: starts orvexreg on a virtual display with the accessibility bus, prints what a
# screen reader finds in each window it opens, saves a screenshot with the keyboard focus on a
# button, and fails when a control that takes the focus has no name.
# Usage: tests/access/check-atspi.sh [build folder] [screenshot file]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build-test}" && pwd)
shot=${2:-/tmp/orvexreg-focus.png}
work=$(mktemp -d)
export DISPLAY="${ORVEX_DISPLAY:-:58}"
export ORVEXREG_HIVE="$work/hkcu.sqlite3" ORVEXREG_DRIVE_C="$work/drive_c"
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ASAN_OPTIONS=detect_leaks=0

Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
tries=0
until xdpyinfo >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] || { echo "no display $DISPLAY" >&2; exit 1; }
    sleep 0.1
done

dbus-run-session -- sh -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
    "$1" >"$4/orvexreg.log" 2>&1 &
    app=$!
    status=0
    /usr/bin/python3 "$2" "$3" || status=$?
    kill $app 2>/dev/null
    exit $status
' sh "$build/orvexreg/orvexreg" "$here/atspi_tree.py" "$shot" "$work"
