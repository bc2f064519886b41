#!/bin/sh
# doctor as the user runs it: against qzm530rx-sim reached by its COM number
# (which the simulator pins), and as a user who may not open the device.
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
# The settings (the pins of the COM numbers) of this test only.
export HOME="$WORK" XDG_CONFIG_HOME="$WORK/config"

"$BIN/qzm530rx-cli" new mic.dat >/dev/null || fail "new"
mkfifo sim.out || fail "mkfifo"
"$BIN/qzm530rx-sim" --image mic.dat --fast --port 17 >sim.out 2>sim.err &
SIM=$!
read -r DEV <sim.out
[ -n "$DEV" ] || fail "no device from the simulator"

"$BIN/qzm530rx-cli" doctor --port 17 >doctor.txt 2>&1 || fail "doctor: $(cat doctor.txt)"
grep -q "^ok       port: $DEV exists" doctor.txt || fail "COM17 is not the simulator: $(cat doctor.txt)"
grep -q "^ok       probe: a PVHM_812 answered" doctor.txt || fail "no model: $(cat doctor.txt)"
grep -q "^ok       holders: .*qzm530rx-sim (process $SIM), which plays the device" doctor.txt ||
    fail "the simulator taken for a holder: $(cat doctor.txt)"
"$BIN/qzm530rx-cli" doctor --port 18 >free.txt 2>&1 && fail "doctor on a free number: $(cat free.txt)"
grep -q "^PROBLEM  port: COM18 leads to no device" free.txt || fail "free number: $(cat free.txt)"
"$BIN/qzm530rx-cli" ports | grep -q "^COM17  $DEV " || fail "ports: $("$BIN/qzm530rx-cli" ports)"

# The test runs as root, which may open anything, so it asks as "nobody"
# where it can.
if [ "$(id -u)" -eq 0 ] && command -v runuser >/dev/null 2>&1 &&
    runuser -u nobody -- "$BIN/qzm530rx-cli" --version >/dev/null 2>&1; then
    runuser -u nobody -- "$BIN/qzm530rx-cli" doctor --port "$DEV" >denied.txt 2>&1 &&
        fail "nobody's doctor found no problem: $(cat denied.txt)"
    grep -q "^PROBLEM  permission: nobody may not open $DEV" denied.txt ||
        fail "no permission problem: $(cat denied.txt)"
    grep -q "^PROBLEM  probe: not probed" denied.txt || fail "probed anyway: $(cat denied.txt)"
else
    echo "not root, or no runuser: the permission finding is not tried"
fi
echo "doctor ok"
