#!/bin/sh
# The manual pages that the build made: the tool's holds a section for every
# command it names, with every option of that command; the simulator's every
# option its --help names, and the production-line window's; the desktop
# program's its one switch.
# usage: ManPageCheck.sh BIN_DIR MAN_DIR
bin=$1
man=$2
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# The page as plain text: roff escapes of the minus sign and fonts undone.
plain() { gzip -dc "$man/$1.1.gz" | sed 's/\\-/-/g; s/\\f[BIR]//g; s/\\e/\\/g'; }

cli=$(plain qzm530rx-cli) || fail "no page of qzm530rx-cli"
for command in $("$bin/qzm530rx-cli" --list-commands); do
    # The command's section: from its heading to the next one.
    section=$(printf '%s\n' "$cli" |
        awk -v c="$command" '/^\.S[SH] / { on = index($0, ".SS \"" c " ") == 1 || $0 == ".SS \"" c "\"" } on')
    [ -n "$section" ] || { fail "qzm530rx-cli(1) has no section for $command"; continue; }
    "$bin/qzm530rx-cli" "$command" --list-options | while read -r option value; do
        printf '%s\n' "$section" | grep -qF -- "$option${value:+ $value}" ||
            { echo "FAIL: qzm530rx-cli(1), $command: no $option${value:+ $value}"; exit 1; }
    done || failed=1
done
printf '%s\n' "$cli" | grep -q '^\.SH "EXIT STATUS"' || fail "qzm530rx-cli(1) has no EXIT STATUS"
printf '%s\n' "$cli" | grep -qi '^usage:' && fail "qzm530rx-cli(1) has a usage line in its text"

sim=$(plain qzm530rx-sim) || fail "no page of qzm530rx-sim"
for option in $("$bin/qzm530rx-sim" --help | awk '/^  --/ { print $1 }'); do
    printf '%s\n' "$sim" | grep -q -- "^$option\\b" || fail "qzm530rx-sim(1) has no $option"
done
printf '%s\n' "$sim" | grep -q '^\.SH SYNOPSIS' || fail "qzm530rx-sim(1) has no SYNOPSIS"

line=$(plain qzm530rx-line) || fail "no page of qzm530rx-line"
for option in $("$bin/qzm530rx-line" --help | awk '/^  --/ { print $1 }'); do
    printf '%s\n' "$line" | grep -q -- "^$option\\b" || fail "qzm530rx-line(1) has no $option"
done
printf '%s\n' "$line" | grep -q '^\.SH SYNOPSIS' || fail "qzm530rx-line(1) has no SYNOPSIS"

gui=$(plain qzm530rx) || fail "no page of qzm530rx"
for word in '^\.SH SYNOPSIS' '^\.B _qv' 'QZM530RX\.conf' 'QZM-530RX_Help_Eng\.pdf' 'LanguageAnalys\.dump'; do
    printf '%s\n' "$gui" | grep -q -- "$word" || fail "qzm530rx(1) lacks $word"
done
printf '%s\n' "$gui" | grep -q '@[A-Z_]*@' && fail "qzm530rx(1) has a variable left unfilled"

[ "$failed" -eq 0 ] && echo "manual pages: every command and option is there"
exit "$failed"
