# Sourced by the end-to-end runs of a production line: two simulated lines
# of three microphones each, on two pseudo-terminals. Set BIN (the folder of
# the executables) and RUN (the name of the program's output files: RUN.out,
# RUN.err, RUN.fifo) before sourcing; it leaves the devices in DEVA and DEVB
# and the working folder as the current one. Every step waits for the event
# it needs (a line on a pipe), never for a time.
WORK=$(mktemp -d)
# The programs keep their settings here, never in the user's.
export HOME="$WORK" XDG_CONFIG_HOME="$WORK/config"
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
    for f in "$RUN.out" "$RUN.err" simA.err simB.err run.csv; do
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
mkfifo simA.fifo simB.fifo "$RUN.fifo" || fail "mkfifo"
"$BIN/qzm530rx-sim" --image simA.dat --images imagesA --swap-after 2 --fast >simA.fifo 2>simA.err &
PIDS="$!"
read -r DEVA <simA.fifo
"$BIN/qzm530rx-sim" --image simB.dat --images imagesB --swap-after 2 --fast >simB.fifo 2>simB.err &
PIDS="$PIDS $!"
read -r DEVB <simB.fifo
[ -n "$DEVA" ] && [ -n "$DEVB" ] || fail "no devices from the simulators"

# After the program was started with its stdout on RUN.fifo as process PID:
# waits for six result lines, ends it with signal SIGNAL, and fails unless
# it exits 0 with six microphones verified.
six_then_stop() {
    pid=$1
    signal=$2
    PIDS="$PIDS $pid"
    exec 3<"$RUN.fifo"
    results=0
    while [ "$results" -lt 6 ] && IFS= read -r line <&3; do
        echo "$line" >>"$RUN.out"
        case "$line" in
        *": microphone "*) results=$((results + 1)) ;;
        esac
    done
    [ "$results" -eq 6 ] || fail "it ended after $results microphones"
    kill "-$signal" "$pid" || fail "it is gone"
    while IFS= read -r line <&3; do
        echo "$line" >>"$RUN.out"
    done
    wait "$pid"
    code=$?
    PIDS=$(echo "$PIDS" | sed "s/ $pid//")
    [ "$code" -eq 0 ] || fail "exit code $code"
    [ "$(grep -c ": microphone [123]: verified$" "$RUN.out")" -eq 6 ] ||
        fail "six microphones verified"
    [ "$(grep -c ",write,.*,verified," run.csv)" -eq 6 ] || fail "six verified lines in the log"
}

# Each simulated line had each of its microphones written once, and the last
# one holds mic.dat.
each_written_once() {
    for line in A B; do
        [ "$(grep -c "image saved" "sim$line.err")" -eq 3 ] ||
            fail "line $line: each microphone written once"
        "$BIN/qzm530rx-cli" diff "sim$line.dat" mic.dat | grep -q "The configurations are the same." ||
            fail "line $line: the last microphone does not hold mic.dat"
    done
}
