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
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
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
expect only _qzm530rx_cli "$cli" info -- :: --json --help
# Every option of a command, from its own listing.
while read -r option _; do
    expect some _qzm530rx_cli "$cli" write -- :: "$option"
done < <("$cli" write --list-options)
# Values by what the option takes.
expect some _qzm530rx_cli "$cli" write --port "" :: 1 5 20 COM1 COM20
expect only _qzm530rx_cli "$cli" write --port 3,COM1 :: 3,COM1 3,COM10 3,COM11 3,COM12 \
    3,COM13 3,COM14 3,COM15 3,COM16 3,COM17 3,COM18 3,COM19
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
expect some _qzm530rx_line "$line" --port "" :: 1 20 COM3
expect only _qzm530rx_line "$line" "" :: mic.dat other.dat before

[ "$failed" -eq 0 ] && echo "completion: all offers as expected"
exit "$failed"
