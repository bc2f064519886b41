#!/bin/sh
# Two simulated production lines of three microphones each, on two
# pseudo-terminals; the production-line window, started as a bench that
# boots into it (--start), writes and verifies them all, logging to one
# file, and is closed (SIGTERM, as the system closes it) after the sixth
# microphone: it ends once the transfers in progress have, with exit code 0.
# Every step waits for the event it needs (a line on a pipe), never for a
# time.
set -u
BIN="$1"
WORK=$(mktemp -d)
PIDS=""
cleanup() {
    for pid in $PIDS; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    for f in line.out line.err simA.err simB.err run.csv; do
        [ -f "$f" ] && { echo "== $f"; cat "$f"; }
    done
    exit 1
}
cli() { "$BIN/qzm530rx-cli" "$@" >/dev/null || fail "qzm530rx-cli $*"; }
cd "$WORK" || exit 1

cli new mic.dat
cli set mic.dat 1006=+10dB 1007=on
for line in A B; do
    cli new "sim$line.dat"
    mkdir "images$line"
    cli new "images$line/2.dat"
    cli new "images$line/3.dat"
    cli set "images$line/3.dat" 1008=Normal
done

# Each simulator prints its device as its only line on stdout.
mkfifo simA.fifo simB.fifo line.fifo || fail "mkfifo"
"$BIN/qzm530rx-sim" --image simA.dat --images imagesA --swap-after 2 --fast >simA.fifo 2>simA.err &
PIDS="$!"
read -r DEVA <simA.fifo
"$BIN/qzm530rx-sim" --image simB.dat --images imagesB --swap-after 2 --fast >simB.fifo 2>simB.err &
PIDS="$PIDS $!"
read -r DEVB <simB.fifo
[ -n "$DEVA" ] && [ -n "$DEVB" ] || fail "no devices from the simulators"

QT_QPA_PLATFORM=offscreen "$BIN/qzm530rx-line" mic.dat --port "$DEVA,$DEVB" --log run.csv \
    --backup backups --start >line.fifo 2>line.err &
LINE=$!
PIDS="$PIDS $LINE"
exec 3<line.fifo
results=0
while [ "$results" -lt 6 ] && IFS= read -r line <&3; do
    echo "$line" >>line.out
    case "$line" in
    *": microphone "*) results=$((results + 1)) ;;
    esac
done
[ "$results" -eq 6 ] || fail "the window ended after $results microphones"
kill -TERM "$LINE" || fail "the window is gone"
while IFS= read -r line <&3; do
    echo "$line" >>line.out
done
wait "$LINE"
code=$?
PIDS=$(echo "$PIDS" | sed "s/ $LINE//")
[ "$code" -eq 0 ] || fail "exit code $code"

[ "$(grep -c ": microphone [123]: verified$" line.out)" -eq 6 ] || fail "six microphones verified"
[ "$(grep -c ",write,.*,verified," run.csv)" -eq 6 ] || fail "six verified lines in the log"
[ "$(grep -c ",backup," run.csv)" -eq 6 ] || fail "six backups in the log"
[ "$(ls backups | wc -l)" -eq 6 ] || fail "six backup files"
[ "$(grep -c "$DEVA" run.csv)" -eq 6 ] && [ "$(grep -c "$DEVB" run.csv)" -eq 6 ] ||
    fail "a backup and a write line per microphone and port"
for line in A B; do
    [ "$(grep -c "image saved" "sim$line.err")" -eq 3 ] ||
        fail "line $line: each microphone written once"
    "$BIN/qzm530rx-cli" diff "sim$line.dat" mic.dat | grep -q "The configurations are the same." ||
        fail "line $line: the last microphone does not hold mic.dat"
done
echo "production line ok"
