#!/bin/sh
# Two simulated production lines of three microphones each, on two
# pseudo-terminals; qzm530rx-cli writes and verifies them all with
# --continuous on both ports, logging to one file, and Ctrl+C after the sixth
# microphone ends it with a summary.
set -u
BIN="$1"
RUN=cli
. "$(dirname "$0")/TwoStations.sh"

"$BIN/qzm530rx-cli" write --port "$DEVA,$DEVB" mic.dat --continuous --log run.csv --yes \
    >cli.fifo 2>cli.err &
six_then_stop $! INT

grep -q "In all: 6 of 6 microphones written and verified." cli.out || fail "no summary"
[ "$(grep -c "$DEVA" run.csv)" -eq 3 ] && [ "$(grep -c "$DEVB" run.csv)" -eq 3 ] ||
    fail "three log lines per port"
each_written_once
echo "fleet ok"
