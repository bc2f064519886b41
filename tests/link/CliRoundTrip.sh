#!/bin/sh
# Reads and writes through qzm530rx-cli against qzm530rx-sim on a
# pseudo-terminal: the read file equals the simulator's image, a written file
# ends up in it, and a failed read leaves no file.
set -u
BIN="$1"
WORK=$(mktemp -d)
SIM=""
cleanup() {
    [ -n "$SIM" ] && kill "$SIM" 2>/dev/null && wait "$SIM" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$WORK" || exit 1

"$BIN/qzm530rx-cli" new mic.dat >/dev/null || fail "new"
"$BIN/qzm530rx-cli" set mic.dat 1006=+10dB 1007=on >/dev/null || fail "set"
# The simulator prints its device as its only line on stdout; reading it from
# a pipe waits exactly until the simulator is ready.
mkfifo sim.out || fail "mkfifo"
"$BIN/qzm530rx-sim" --image mic.dat --fast >sim.out 2>sim.err &
SIM=$!
read -r DEV <sim.out
[ -n "$DEV" ] || fail "no device from the simulator"

"$BIN/qzm530rx-cli" read --port "$DEV" out.dat --yes >read.txt 2>&1 || fail "read: $(cat read.txt)"
grep -q "Reading completed." read.txt || fail "no completion message"
"$BIN/qzm530rx-cli" diff mic.dat out.dat | grep -q "The configurations are the same." ||
    fail "read image differs"

"$BIN/qzm530rx-cli" set out.dat 1008=Normal 1009=#1 >/dev/null || fail "set out"
"$BIN/qzm530rx-cli" write --port "$DEV" out.dat --yes --trace >write.txt 2>&1 ||
    fail "write: $(cat write.txt)"
grep -q "plain: 45" write.txt || fail "no end command in the trace"
grep -q "opened $DEV, low latency not offered by the port" write.txt ||
    fail "the trace does not tell about low latency"
# The simulator saves the image before it acknowledges the end command.
"$BIN/qzm530rx-cli" diff mic.dat out.dat | grep -q "The configurations are the same." ||
    fail "the simulator did not keep the written image"

# Verified write with a backup and a log, then a read confirmed by a second.
cp mic.dat before.dat
"$BIN/qzm530rx-cli" set out.dat 1009=#2 >/dev/null || fail "set out again"
"$BIN/qzm530rx-cli" write --port "$DEV" out.dat --yes --log run.csv --backup saved \
    >verify.txt 2>&1 || fail "verified write: $(cat verify.txt)"
grep -q "Verified: the microphone holds the image written." verify.txt ||
    fail "no verification: $(cat verify.txt)"
[ "$(ls saved | wc -l)" -eq 1 ] || fail "not one backup: $(ls saved)"
"$BIN/qzm530rx-cli" diff before.dat saved/*.dat | grep -q "The configurations are the same." ||
    fail "the backup is not the previous configuration"
"$BIN/qzm530rx-cli" read --port "$DEV" again.dat --yes --verify --log run.csv >again.txt 2>&1 ||
    fail "verified read: $(cat again.txt)"
"$BIN/qzm530rx-cli" diff out.dat again.dat | grep -q "The configurations are the same." ||
    fail "the confirmed read differs from what was written"
head -1 run.csv | grep -q "^time,port,device,model,version,operation,file,sha256,result" ||
    fail "no header: $(head -1 run.csv)"
[ "$(wc -l <run.csv)" -eq 4 ] || fail "not a header and three lines: $(cat run.csv)"
cut -d, -f6,9 run.csv | tr -d '\r' | tail -3 | tr '\n' ' ' | grep -q "^backup,read write,verified read,verified $" ||
    fail "wrong operations and results: $(cat run.csv)"
"$BIN/qzm530rx-cli" write --port "$DEV" out.dat --yes --verify --no-verify >both.txt 2>&1
[ $? -eq 2 ] || fail "--verify with --no-verify was not a usage error"

"$BIN/qzm530rx-cli" read --port /dev/qzm-no-such-port gone.dat --yes >gone.txt 2>&1 &&
    fail "a read from a missing port succeeded"
grep -q "The COM port cannot be opened." gone.txt || fail "wrong message: $(cat gone.txt)"
[ -e gone.dat ] && fail "a failed read wrote a file"
"$BIN/qzm530rx-cli" read --port /dev/qzm-no-such-port gone.dat --yes --verify --log run.csv \
    >gone.txt 2>&1 && fail "a confirmed read from a missing port succeeded"
[ -e gone.dat ] && fail "a failed confirmed read wrote a file"
tail -1 run.csv | cut -d, -f6,9 | grep -q "^read,failed" || fail "no failed line: $(tail -1 run.csv)"
# A user who may not open the device gets the reason and the fix. The test
# runs as root, which may open anything, so it asks as "nobody" where it can.
if [ "$(id -u)" -eq 0 ] && command -v runuser >/dev/null 2>&1 &&
    runuser -u nobody -- "$BIN/qzm530rx-cli" --version >/dev/null 2>&1; then
    runuser -u nobody -- "$BIN/qzm530rx-cli" read --port "$DEV" /tmp/qzm-denied.dat --yes \
        >denied.txt 2>&1 && fail "nobody opened $DEV"
    grep -q "The COM port cannot be opened." denied.txt || fail "denied: $(cat denied.txt)"
    grep -q "permission denied: add your user to the group that owns $DEV, e.g. dialout" \
        denied.txt || fail "no fix for the permission: $(cat denied.txt)"
else
    echo "not root, or no runuser: the permission message is not tried"
fi
echo "round trip ok"
