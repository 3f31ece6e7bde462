# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for tagmere-cli: commands, each command's options, the source types,
# and files or folders where paths go. tests/packaging checks it against --help.

_tagmere_cli() {
    local cur prev cmd i
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    COMPREPLY=()

    # The command is the first word after the program that is not an option.
    cmd=
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            -*) ;;
            *) cmd=${COMP_WORDS[i]}; break ;;
        esac
    done

    if [[ -z $cmd ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '--help --version' -- "$cur"))
        else
            COMPREPLY=($(compgen -W 'find show apply check export undo' -- "$cur"))
        fi
        return
    fi

    # An option's value.
    case $cmd:$prev in
        apply:--source-type)
            COMPREPLY=($(compgen -W 'CFL CMH FL HAL HPS INC IND LED LEP LPS MH MV OLED' -- "$cur"))
            return ;;
        show:--list | apply:--list | apply:--table | export:-o | export:--output)
            _tagmere_cli_paths -f "$cur"
            return ;;
        apply:--backup)
            _tagmere_cli_paths -d "$cur"
            return ;;
        check:--format | show:--format | export:--format)
            COMPREPLY=($(compgen -W 'text json' -- "$cur"))
            return ;;
        apply:--manufac | apply:--sp-ratio | apply:--cri | apply:--color-temp | apply:--set | apply:--remove | \
            apply:--keep | undo:--keep)
            return ;;
    esac

    local options
    case $cmd in
        find) options='--help' ;;
        show) options='--list --photometry --format --help' ;;
        apply) options='--manufac --source-type --sp-ratio --cri --color-temp --list --set --remove --dry-run --backup --no-journal --keep --table --help' ;;
        export) options='--format --output --help' ;;
        undo) options='--list --dry-run --keep --help' ;;
        check) options='--quiet --format --help' ;;
        *) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    case $cmd in
        find) _tagmere_cli_paths -d "$cur" ;;
        undo) ;;
        *) _tagmere_cli_paths -f "$cur" ;;
    esac
}

# Files (-f, which takes folders too, to walk into them) or folders only (-d).
_tagmere_cli_paths() {
    local IFS=$'\n'
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen "$1" -- "$2"))
}

complete -F _tagmere_cli tagmere-cli
