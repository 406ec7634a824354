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
    [rules]="add remove default on off"
)
# What a command takes after its first argument, keyed by the command and
# that argument ("*" when any word stands there): the word after it.
declare -gA _rt604ctl_then=(
    ["rules default"]="1 2 3 keep"
    ["rules add *"]="1 2 3"
)
# What a command takes after its first argument: FIELD= words, each with
# the values it may take (empty: any).
declare -gA _rt604ctl_fields=(
    [lighting]="effect= brightness= speed= direction= multicolour= colour= choice= rate="
)
declare -gA _rt604ctl_values=(
    [brightness]="0 1 2 3 4 5"
    [speed]="0 1 2 3 4 5"
    [direction]="left right"
    [multicolour]="on off"
    [choice]="red yellow green blue"
    [rate]="1 2 3 4"
)
# Options, which may stand anywhere; those ending in "=" take a value.
_rt604ctl_options=(--help --version --json --virtual-keyboard= --wait)
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

# A FIELD=VALUE word: the field's name, or its value once the name is there
# (bash splits the word at "=" by default; $1 is the word, $2 the one before).
_rt604ctl_field()
{
    local field="" value=$1 prefix=""
    if [[ $2 == = ]]; then
        field=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $1 == = ]]; then
        field=$2 value=""
    elif [[ $1 == *=* ]]; then
        field=${1%%=*} value=${1#*=} prefix=$field=
    fi
    if [[ -n $field ]]; then
        [[ -v "_rt604ctl_values[$field]" ]] &&
            COMPREPLY=($(compgen -W "${_rt604ctl_values[$field]}" -P "$prefix" -- "$value"))
        return 0
    fi
    COMPREPLY=($(compgen -W "$3" -- "$1"))
    compopt -o nospace 2>/dev/null
    return 0
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
    local command="" given=0 first="" i word
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $word == -* || $word == = ]] || [[ ${COMP_WORDS[i - 1]} == = ]]; then
            continue
        fi
        if [[ -z $command ]]; then
            [[ -v "_rt604ctl_arguments[$word]" ]] && command=$word
        else
            ((given++ == 0)) && first=$word
        fi
    done

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "${!_rt604ctl_arguments[*]}" -- "$cur"))
        return
    fi
    local then=""
    if ((given == 1)); then
        then="$command $first"
    elif ((given == 2)); then
        then="$command $first *"
    fi
    if [[ -n $then && -v "_rt604ctl_then[$then]" ]]; then
        COMPREPLY=($(compgen -W "${_rt604ctl_then[$then]}" -- "$cur"))
        return 0
    fi
    if ((given > 0)); then
        [[ -v "_rt604ctl_fields[$command]" ]] && _rt604ctl_field "$cur" "$prev" "${_rt604ctl_fields[$command]}"
        return 0
    fi
    local takes=${_rt604ctl_arguments[$command]}
    if [[ $takes == @file ]]; then
        _rt604ctl_files "$cur"
    elif [[ -n $takes ]]; then
        COMPREPLY=($(compgen -W "$takes" -- "$cur"))
    fi
    return 0
}

complete -F _rt604ctl rt604ctl
