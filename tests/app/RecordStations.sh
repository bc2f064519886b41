#!/bin/sh
# Two stations on one record: each a qzm530rx-cli process with two simulated
# ports, drawing serial numbers from a PostgreSQL record of the test's own
# (and then one station on an SQLite file). The twenty microphones get
# SN-0001 to SN-0020, each once, and `report --record` counts them per
# station. Exits 77 (skipped) where there is no PostgreSQL server.
#   RecordStations.sh BIN
BIN=$1
here=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d)
export HOME="$WORK" XDG_CONFIG_HOME="$WORK/config"
PG=/tmp/qzm-pg-stations-$$
PIDS=""
cleanup() {
    for pid in $PIDS; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    sh "$here/../support/pg-cluster.sh" stop "$PG"
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    for f in "$WORK"/*.out "$WORK"/*.err; do
        [ -f "$f" ] && { echo "== $f"; cat "$f"; }
    done
    exit 1
}
cd "$WORK" || exit 1
"$BIN/qzm530rx-cli" new mic.dat >/dev/null || fail "new"

# Each simulator prints its device as its only line on stdout.
DEVS=""
for n in 1 2 3 4; do
    mkfifo "sim$n.fifo" || fail "mkfifo"
    "$BIN/qzm530rx-sim" --image mic.dat --swap-after 1 --fast >"sim$n.fifo" 2>"sim$n.err" &
    PIDS="$PIDS $!"
    read -r dev <"sim$n.fifo"
    [ -n "$dev" ] || fail "no device from simulator $n"
    DEVS="$DEVS $dev"
done
set -- $DEVS

station() { # NAME PORTS RECORD
    "$BIN/qzm530rx-cli" write --port "$2" mic.dat --continuous --count 10 \
        --serial 'SN-{0001}' --record "$3" --station "$1" --yes --quiet >"$1.out" 2>"$1.err"
}
labels() { # the labels of the result lines, sorted
    sed -n 's/.*microphone [0-9]* (\(SN-[0-9]*\)): verified$/\1/p' "$@" | sort
}
expected=$(for n in $(seq 1 20); do printf 'SN-%04d\n' "$n"; done)

out=$(sh "$here/../support/pg-cluster.sh" start "$PG") || fail "the test's server: $out"
case $out in
"no PostgreSQL server"*) echo "$out"; exit 77 ;;
esac
psql=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)/psql
as_postgres() { (cd / && if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi); }
as_postgres "$psql" -h "$PG" -U postgres -qc "CREATE DATABASE shop" || fail "createdb"
URL="postgresql:///shop?host=$PG&user=postgres"

station bench-1 "$1,$2" "$URL" &
one=$!
station bench-2 "$3,$4" "$URL" &
two=$!
wait "$one" || fail "bench-1 exited $?"
wait "$two" || fail "bench-2 exited $?"
[ "$(labels bench-1.out bench-2.out)" = "$expected" ] || fail "not SN-0001 to SN-0020 once each"
"$BIN/qzm530rx-cli" report --record "$URL" >report.out 2>report.err || fail "report"
grep -q "^In all: 20 microphones (20 verified)\.$" report.out || fail "the report's sums"
for name in bench-1 bench-2; do
    [ "$(grep -c " $name " report.out)" -ge 1 ] || fail "no line of $name in the report"
done

# One station of two ports on an SQLite file: ten numbers, each once.
station bench-3 "$1,$2" "$WORK/shop.db" || fail "bench-3 exited $?"
[ "$(labels bench-3.out)" = "$(echo "$expected" | head -n 10)" ] || fail "the SQLite record's numbers"
"$BIN/qzm530rx-cli" report --record "$WORK/shop.db" >sqlite.out || fail "report on SQLite"
grep -q "^In all: 10 microphones (10 verified)\.$" sqlite.out || fail "the SQLite report's sums"
echo "two stations: 20 numbers, each once"
