#!/bin/sh
# Two simulated production lines of three microphones each, on two
# pseudo-terminals; the production-line window, started as a bench that
# boots into it (--start), writes and verifies them all, logging to one
# file, and is closed (SIGTERM, as the system closes it) after the sixth
# microphone: it ends once the transfers in progress have, with exit code 0.
set -u
BIN="$1"
RUN=line
. "$(dirname "$0")/TwoStations.sh"

QT_QPA_PLATFORM=offscreen "$BIN/qzm530rx-line" mic.dat --port "$DEVA,$DEVB" --log run.csv \
    --backup backups --start >line.fifo 2>line.err &
six_then_stop $! TERM

[ "$(grep -c ",backup," run.csv)" -eq 6 ] || fail "six backups in the log"
[ "$(ls backups | wc -l)" -eq 6 ] || fail "six backup files"
[ "$(grep -c "$DEVA" run.csv)" -eq 6 ] && [ "$(grep -c "$DEVB" run.csv)" -eq 6 ] ||
    fail "a backup and a write line per microphone and port"
each_written_once
echo "production line ok"
