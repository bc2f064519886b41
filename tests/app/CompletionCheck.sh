#!/usr/bin/env bash
# The bash completion of qzm530rx-cli, qzm530rx-sim and qzm530rx-line, run as bash runs it
# on a Tab, against the executables of this build.
# usage: CompletionCheck.sh BIN_DIR COMPLETION_SCRIPT
# Exit 77 (skipped) where bash-completion is not installed.
set -u
bin=$1
script=$2
framework=/usr/share/bash-completion/bash_completion
[ -r "$framework" ] || { echo "bash-completion is not installed"; exit 77; }

work=$(mktemp -d)
sim_pid=
trap '[ -n "$sim_pid" ] && kill "$sim_pid"; rm -rf "$work"' EXIT
mkdir "$work/files"
cd "$work/files" || exit 1
# The port pins of this check stay in its own settings.
export XDG_CONFIG_HOME=$work/config
mkdir "$XDG_CONFIG_HOME"
touch mic.dat other.dat run.csv notes.txt
mkdir before

# shellcheck disable=SC1090
source "$framework"
source "$script"

failed=0
# complete FUNCTION WORD... : what a Tab after the last word offers, one a line.
complete_words()
{
    local function=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    "$function"
    printf '%s\n' "${COMPREPLY[@]}" | sort
}
# offered_not FUNCTION WORD... :: WORD: WORD is not offered.
offered_not()
{
    local function=$1
    shift
    local -a words=()
    while [ "$1" != "::" ]; do
        words+=("$1")
        shift
    done
    if complete_words "$function" "${words[@]}" | grep -qxF -- "$2"; then
        echo "FAIL: '${words[*]:1}<Tab>' offers '$2'"
        failed=1
    fi
}
# expect WHAT FUNCTION WORD... :: EXPECTED...: every EXPECTED is offered.
# With "only" as WHAT nothing else is.
expect()
{
    local what=$1 function=$2
    shift 2
    local -a words=()
    while [ "$1" != "::" ]; do
        words+=("$1")
        shift
    done
    shift
    local offered
    offered=$(complete_words "$function" "${words[@]}")
    local word
    for word in "$@"; do
        if ! grep -qxF -- "$word" <<<"$offered"; then
            echo "FAIL: '${words[*]:1}<Tab>' does not offer '$word'; it offers: $(echo $offered)"
            failed=1
        fi
    done
    if [ "$what" = only ] && [ "$(grep -c . <<<"$offered")" -ne "$#" ]; then
        echo "FAIL: '${words[*]:1}<Tab>' offers more than '$*': $(echo $offered)"
        failed=1
    fi
}

cli=$bin/qzm530rx-cli
sim=$bin/qzm530rx-sim
# Every command the tool names, and only the one that fits.
for command in $("$cli" --list-commands); do
    expect some _qzm530rx_cli "$cli" "" :: "$command"
done
expect only _qzm530rx_cli "$cli" wr :: write
expect only _qzm530rx_cli "$cli" write --verify-w :: --verify-wait
expect only _qzm530rx_cli "$cli" info -- :: --json --settings --help
# Every option of a command, from its own listing.
while read -r option _; do
    expect some _qzm530rx_cli "$cli" write -- :: "$option"
done < <("$cli" write --list-options)
# Values by what the option takes.
# Ports that lead to a device present: a simulated microphone pinned as COM7
# is offered by its number, its name and its device; a number without a
# device and a terminal's pseudo-terminal are not.
"$cli" new "$XDG_CONFIG_HOME/sim.dat"
"$sim" --image "$XDG_CONFIG_HOME/sim.dat" --port 7 >"$XDG_CONFIG_HOME/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do
    [ -s "$XDG_CONFIG_HOME/sim.out" ] && break
    sleep 0.1
done
device=$(head -n 1 "$XDG_CONFIG_HOME/sim.out")
expect some _qzm530rx_cli "$cli" write --port "" :: 7 COM7 "$device"
offered_not _qzm530rx_cli "$cli" write --port "" :: COM20
[ -e /dev/pts/ptmx ] && terminal=$(tty 2>/dev/null) && [ "$terminal" != "$device" ] &&
    offered_not _qzm530rx_cli "$cli" write --port "" :: "$terminal"
expect only _qzm530rx_cli "$cli" write --port 3,COM7 :: 3,COM7
expect some _qzm530rx_line "$bin/qzm530rx-line" --port "" :: COM7
# After set FILE, the settings by ID and label, then their values.
expect some _qzm530rx_cli "$cli" set mic.dat 100 :: 1000= 1006= 1007=
expect only _qzm530rx_cli "$cli" set mic.dat 1006=+1 :: +10dB
expect some _qzm530rx_cli "$cli" set mic.dat Battery :: 'Battery\ Save='
expect only _qzm530rx_cli "$cli" read --log "" :: run.csv before
expect only _qzm530rx_cli "$cli" write --backup "" :: before
expect only _qzm530rx_cli "$cli" write --verify-wait "" ::
# Data files where a file is wanted, also after a value option.
expect only _qzm530rx_cli "$cli" write --port 5 "" :: mic.dat other.dat before
expect only _qzm530rx_cli "$cli" info m :: mic.dat

expect only _qzm530rx_sim "$sim" --ima :: --image --images
expect only _qzm530rx_sim "$sim" --image "" :: mic.dat other.dat before
expect only _qzm530rx_sim "$sim" --images "" :: before
expect some _qzm530rx_sim "$sim" --port "" :: 1 20
expect some _qzm530rx_sim "$sim" --image mic.dat --sw :: --swap-after

line=$bin/qzm530rx-line
expect only _qzm530rx_line "$line" --sk :: --skip-same
expect only _qzm530rx_line "$line" --log "" :: run.csv before
expect only _qzm530rx_line "$line" --backup "" :: before
expect only _qzm530rx_line "$line" "" :: mic.dat other.dat before

[ "$failed" -eq 0 ] && echo "completion: all offers as expected"
exit "$failed"
