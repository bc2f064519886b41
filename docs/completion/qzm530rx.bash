# bash completion for qzm530rx-cli, qzm530rx-sim and qzm530rx-line.
#
# The tool names its own commands and each command's options
# (`qzm530rx-cli --list-commands`, `qzm530rx-cli COMMAND --list-options`),
# the simulator its options in its --help, so that commands and options added
# later are completed without a change here. The word that stands for an
# option's value says what to offer: ports after PORT, folders after DIR,
# CSV files after FILE.csv, data files after FILE and as file arguments.
#
# Installed once for each program (bash-completion loads a file by the
# name of the command); each copy defines both.

# Ports after --port: the names that lead to a serial device present now,
# as the tool numbers them (3, COM3 and the device), so that a terminal's
# /dev/pts/N is never offered. With a list ("3,4,5") the part after the
# last comma is completed.
_qzm530rx_ports()
{
    local cur=$1 cli=qzm530rx-cli prefix=""
    # The tool beside the program being completed.
    [[ ${words[0]} == */* ]] && cli=${words[0]%/*}/qzm530rx-cli
    if [[ $cur == *,* ]]; then
        prefix=${cur%,*},
        cur=${cur##*,}
    fi
    COMPREPLY=($(compgen -P "$prefix" -W "$("$cli" --list-ports 2>/dev/null)" -- "$cur"))
}

# The words of set after its FILE: "ID=" or "Label=", then the setting's
# values. Labels and values with blanks are offered quoted for the shell.
_qzm530rx_settings()
{
    local tool=$1 word
    local -a offered=()
    local IFS=$'\n'
    if [[ $cur == *=* ]]; then
        offered=($(compgen -W "$("$tool" --list-settings 2>/dev/null)" -- "$cur"))
    else
        offered=($(compgen -W "$("$tool" --list-settings 2>/dev/null | grep '=$')" -- "$cur"))
        compopt -o nospace 2>/dev/null
    fi
    COMPREPLY=()
    for word in "${offered[@]}"; do
        # Readline replaces only what follows the last '=' of the word.
        [[ $cur == *=* && $COMP_WORDBREAKS == *=* ]] && word=${word#"${cur%=*}="}
        COMPREPLY+=("$(printf '%q' "$word")")
    done
}

# The value of OPTION, whose help calls it PLACEHOLDER; the current word is
# $cur.
_qzm530rx_value()
{
    local option=$1 placeholder=$2
    case $placeholder in
    PORT) _qzm530rx_ports "$cur" ;;
    DIR) _filedir -d ;;
    FILE.csv) _filedir csv ;;
    FILE*) _filedir dat ;;
    PROFILE | LOG*) _filedir ;;
    *)
        # The simulator's --port N: a port number to pin.
        if [[ $option == --port ]]; then
            COMPREPLY=($(compgen -W "$(seq 1 20)" -- "$cur"))
        else
            COMPREPLY=()
        fi
        ;;
    esac
}

# Completes from a listing of options, one a line: "--name" or
# "--name PLACEHOLDER".
_qzm530rx_complete_options()
{
    local options=$1 placeholder
    placeholder=$(printf '%s\n' "$options" | awk -v name="$prev" '$1 == name && NF > 1 { print $2; exit }')
    if [[ -n $placeholder ]]; then
        _qzm530rx_value "$prev" "$placeholder"
        return 0
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(printf '%s\n' "$options" | awk '{ print $1 }')" -- "$cur"))
        return 0
    fi
    return 1
}

_qzm530rx_cli()
{
    local cur prev words cword split
    _init_completion -s || return

    local tool=${words[0]}
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$("$tool" --list-commands 2>/dev/null) help --help --version" \
            -- "$cur"))
        return
    fi
    local options
    options=$("$tool" "${words[1]}" --list-options 2>/dev/null) || return
    _qzm530rx_complete_options "$options" && return
    # report LOG.csv...: logs.
    if [[ ${words[1]} == report ]]; then
        _filedir csv
        return
    fi
    # set FILE SETTING=VALUE...: after the file, the settings.
    if [[ ${words[1]} == set ]] && ((cword > 2)); then
        _get_comp_words_by_ref -n = cur
        _qzm530rx_settings "$tool"
        return
    fi
    _filedir dat
}

# The options a program's --help lists:
# "  --rate N   rate the microphone..." -> "--rate N"
_qzm530rx_help_options()
{
    "$1" --help 2>/dev/null |
        awk '/^  --/ { if ($2 ~ /^[A-Z][A-Z]*(\.[a-z]+)?$/) print $1, $2; else print $1 }'
}

_qzm530rx_sim()
{
    local cur prev words cword split
    _init_completion -s || return

    local options
    options=$(_qzm530rx_help_options "${words[0]}")
    _qzm530rx_complete_options "$options" && return
    COMPREPLY=($(compgen -W "$(printf '%s\n' "$options" | awk '{ print $1 }')" -- "$cur"))
}

# The production-line window: its options from its --help, else a data file.
_qzm530rx_line()
{
    local cur prev words cword split
    _init_completion -s || return

    _qzm530rx_complete_options "$(_qzm530rx_help_options "${words[0]}")" && return
    _filedir dat
}

complete -F _qzm530rx_cli qzm530rx-cli
complete -F _qzm530rx_sim qzm530rx-sim
complete -F _qzm530rx_line qzm530rx-line
