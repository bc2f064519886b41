#!/bin/sh
# The AT-SPI walk of the desktop program's window by hand: starts the
# program under Xvfb on a private session bus with the accessibility bus,
# walks its window with atspi_walk.py and ends the program again.
# usage: tests/manual/atspi-walk.sh [PROGRAM]   (build/bin/qzm530rx)
# Needs: xvfb, dbus, at-spi2-core, python3-pyatspi.
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../../build/bin/qzm530rx}
exec dbus-run-session -- sh -c '
    program=$1 here=$2
    Xvfb :97 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    for i in $(seq 50); do [ -e /tmp/.X11-unix/X97 ] && break; sleep 0.1; done
    export DISPLAY=:97
    /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
    bus=$!
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
    home=$(mktemp -d)
    HOME=$home XDG_CONFIG_HOME=$home/.config "$program" >/dev/null 2>&1 &
    app=$!
    /usr/bin/python3 "${WALK:-$here/atspi_walk.py}" --dialogs
    status=$?
    kill $app $bus $xvfb 2>/dev/null
    rm -rf "$home"
    exit $status
' sh "$program" "$here"
