# bash completion for quillfish-cli.
# The commands, their options and the values an option takes are read from
# the program's own --help texts, so they are always those of the program
# being completed:
#   Commands:                 (quillfish-cli --help)
#     search     look ...
#   Options:                  (quillfish-cli search --help)
#     --species mouse|human  the species searched     a value from a list
#     --save FILE            also write ...           a file name
#     --demo                 use the bundled ...      a switch
# Values named FILE or INPUT complete as file names, DIR as folder names.

_quillfish_cli() {
    local cur prev program command help word i
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    program=${COMP_WORDS[0]}
    # "--save=FI" is split at the "=" into "--save" "=" "FI".
    if [[ $cur == "=" ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 1]}
        cur=
    elif [[ $prev == "=" && $COMP_CWORD -ge 2 ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi
    # A program typed as ~/...: the word holds the tilde itself.
    # shellcheck disable=SC2088
    [[ $program == "~/"* ]] && program=$HOME/${program#"~/"}
    type -P -- "$program" >/dev/null 2>&1 || program=quillfish-cli
    COMPREPLY=()

    # The command is the first word after the program that is not an option.
    command=
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $word != -* ]]; then
            command=$word
            break
        fi
    done

    if [[ -z $command ]]; then
        help=$("$program" --help 2>/dev/null) || return 0
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$(_quillfish_cli_options "$help")" -- "$cur")
        else
            mapfile -t COMPREPLY < <(compgen -W "$(_quillfish_cli_commands "$help")" -- "$cur")
        fi
        return 0
    fi

    help=$("$program" "$command" --help 2>/dev/null) || return 0
    if [[ $prev == --* ]]; then
        local value
        value=$(_quillfish_cli_value "$help" "$prev")
        case $value in
            "") ;;  # a switch: the word is an option or an argument
            *"|"*)
                mapfile -t COMPREPLY < <(compgen -W "${value//|/ }" -- "$cur")
                return 0
                ;;
            FILE | INPUT)
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -f -- "$cur")
                return 0
                ;;
            DIR)
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -d -- "$cur")
                return 0
                ;;
            *) return 0 ;;  # a number, an address, a text: nothing to offer
        esac
    fi
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$(_quillfish_cli_options "$help")" -- "$cur")
    else
        # Arguments: files for the commands that read an INPUT.
        case $(head -n 1 <<<"$help") in
            *INPUT*)
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -f -- "$cur")
                ;;
        esac
    fi
    return 0
}

# The command names listed under "Commands:".
_quillfish_cli_commands() {
    sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z0-9-]*\)  .*/\1/p' <<<"$1"
}

# The long options listed under "Options:".
_quillfish_cli_options() {
    sed -n '/^Options:/,$s/^  \(-[a-zA-Z], \)\{0,1\}\(--[a-z0-9-]*\).*/\2/p' <<<"$1"
}

# The value name of option $2 ("FILE", "mouse|human"); empty for a switch.
_quillfish_cli_value() {
    local line
    line=$(grep -m 1 -E -e "^  (-[a-zA-Z], )?$2( |\$)" <<<"$1") || return 0
    line=${line#*"$2"}
    # A value is written right after the name; the description follows after
    # two blanks or on the next line.
    [[ $line == " "[!\ ]* ]] || return 0
    line=${line# }
    printf '%s\n' "${line%% *}"
}

complete -F _quillfish_cli quillfish-cli
