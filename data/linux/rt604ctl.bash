# bash completion for rt604ctl                              -*- shell-script -*-
#
# What each command takes after its name: "@file" a file name, a list of
# words, or nothing. A new command is one more line here; the command list
# itself comes from this table.
declare -gA _rt604ctl_arguments=(
    [validate]=@file
    [dump]=@file
    [info]=
    [profile]="1 2 3"
    [export]=@file
    [import]=@file
    [keymap]="1 2 3"
    [macros]=
    [lighting]="1 2 3"
    [key-colours]="1 2 3"
)
# Options, which may stand anywhere; those ending in "=" take a value.
_rt604ctl_options=(--help --virtual-keyboard=)
# Options whose value is a file name.
_rt604ctl_file_options=(--virtual-keyboard)

# File names that start with $1, each put after $2 (the option and its "="
# when bash did not split the word there).
_rt604ctl_files()
{
    compopt -o filenames 2>/dev/null
    local IFS=$'\n' name
    for name in $(compgen -f -- "$1"); do
        COMPREPLY+=("$2$name")
    done
}

_rt604ctl()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    # The value of an option that takes a file, whether bash split the word
    # at "=" (it does by default) or not.
    local option
    for option in "${_rt604ctl_file_options[@]}"; do
        if [[ $cur == "$option="* ]]; then
            _rt604ctl_files "${cur#"$option"=}" "$option="
            return
        fi
        if [[ $cur == = && $prev == "$option" ]]; then
            _rt604ctl_files ""
            return
        fi
        if [[ $prev == = && ${COMP_WORDS[COMP_CWORD - 2]} == "$option" ]]; then
            _rt604ctl_files "$cur"
            return
        fi
    done

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "${_rt604ctl_options[*]}" -- "$cur"))
        if [[ ${COMPREPLY[*]} == *= ]]; then
            compopt -o nospace 2>/dev/null
        fi
        return 0
    fi

    # The command, and how many of its arguments are already there; options
    # and their split-off values do not count.
    local command="" given=0 i word
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $word == -* || $word == = ]] || [[ ${COMP_WORDS[i - 1]} == = ]]; then
            continue
        fi
        if [[ -z $command ]]; then
            [[ -v "_rt604ctl_arguments[$word]" ]] && command=$word
        else
            ((given++))
        fi
    done

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "${!_rt604ctl_arguments[*]}" -- "$cur"))
        return
    fi
    ((given > 0)) && return 0
    local takes=${_rt604ctl_arguments[$command]}
    if [[ $takes == @file ]]; then
        _rt604ctl_files "$cur"
    elif [[ -n $takes ]]; then
        COMPREPLY=($(compgen -W "$takes" -- "$cur"))
    fi
    return 0
}

complete -F _rt604ctl rt604ctl
