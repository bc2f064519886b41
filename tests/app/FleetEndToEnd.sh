#!/bin/sh
# Two simulated production lines of three microphones each, on two
# pseudo-terminals; qzm530rx-cli writes and verifies them all with
# --continuous on both ports, logging to one file, and Ctrl+C after the sixth
# microphone ends it with a summary. Every
# step waits for the event it needs (a line on a pipe), never for a time.
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
    for f in cli.out cli.err simA.err simB.err; do
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
mkfifo simA.fifo simB.fifo cli.fifo || fail "mkfifo"
"$BIN/qzm530rx-sim" --image simA.dat --images imagesA --swap-after 2 --fast >simA.fifo 2>simA.err &
PIDS="$!"
read -r DEVA <simA.fifo
"$BIN/qzm530rx-sim" --image simB.dat --images imagesB --swap-after 2 --fast >simB.fifo 2>simB.err &
PIDS="$PIDS $!"
read -r DEVB <simB.fifo
[ -n "$DEVA" ] && [ -n "$DEVB" ] || fail "no devices from the simulators"

"$BIN/qzm530rx-cli" write --port "$DEVA,$DEVB" mic.dat --continuous --log run.csv --yes \
    >cli.fifo 2>cli.err &
CLI=$!
PIDS="$PIDS $CLI"
exec 3<cli.fifo
results=0
while [ "$results" -lt 6 ] && IFS= read -r line <&3; do
    echo "$line" >>cli.out
    case "$line" in
    *": microphone "*) results=$((results + 1)) ;;
    esac
done
[ "$results" -eq 6 ] || fail "the tool ended after $results microphones"
kill -INT "$CLI" || fail "the tool is gone"
while IFS= read -r line <&3; do
    echo "$line" >>cli.out
done
wait "$CLI"
code=$?
PIDS=$(echo "$PIDS" | sed "s/ $CLI//")
[ "$code" -eq 0 ] || fail "exit code $code"

[ "$(grep -c ": microphone [123]: verified$" cli.out)" -eq 6 ] || fail "six microphones verified"
grep -q "In all: 6 of 6 microphones written and verified." cli.out || fail "no summary"
[ "$(grep -c ",write,.*,verified," run.csv)" -eq 6 ] || fail "six verified lines in the log"
[ "$(grep -c "$DEVA" run.csv)" -eq 3 ] && [ "$(grep -c "$DEVB" run.csv)" -eq 3 ] ||
    fail "three log lines per port"
for line in A B; do
    [ "$(grep -c "image saved" "sim$line.err")" -eq 3 ] ||
        fail "line $line: each microphone written once"
    "$BIN/qzm530rx-cli" diff "sim$line.dat" mic.dat | grep -q "The configurations are the same." ||
        fail "line $line: the last microphone does not hold mic.dat"
done
echo "fleet ok"
