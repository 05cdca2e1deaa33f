# bash completion for tvctl: commands, options, plans and their channels (as
# the tvctl being completed lists them), and the names of the station list's
# stations. Installed as share/bash-completion/completions/tvctl.

# The station names of the list (the default one, or the --file FILE given
# on the line), one a line.
_tvctl_station_names() {
    local file="${XDG_CONFIG_HOME:-$HOME/.config}/tvctl/stations" i
    for ((i = 1; i < ${#COMP_WORDS[@]} - 1; i++)); do
        [[ ${COMP_WORDS[i]} == --file ]] && file=${COMP_WORDS[i + 1]}
    done
    [[ -r $file ]] || return 0
    local line name
    while IFS= read -r line || [[ -n $line ]]; do
        line=${line#"${line%%[![:space:]]*}"}
        [[ -z $line || $line == \#* ]] && continue
        if [[ $line == \"* ]]; then
            name=${line#\"}
            name=${name%%\"*}
        else
            name=${line%%[[:space:]]*}
        fi
        printf '%s\n' "$name"
    done <"$file"
}

# Completes the station names that start with the word at the cursor (any
# case, as tvctl takes them).
_tvctl_complete_names() {
    local name
    while IFS= read -r name; do
        [[ ${name,,} == "${cur,,}"* ]] && COMPREPLY+=("$(printf '%q' "$name")")
    done < <(_tvctl_station_names)
}

# The plans, by the names tvctl shows and the tables' own ("cable",
# "us-cable", "europe-west"), as `tvctl plans` lists them.
_tvctl_plans() {
    local line name table rest
    "${COMP_WORDS[0]}" plans 2>/dev/null | while IFS= read -r line; do
        [[ $line == [a-z]* ]] || continue  # a plan's first line; the others are indented
        read -r name table rest <<<"$line"
        printf '%s\n' "$name"
        [[ $table == \(*\) ]] && table=${table#\(} && printf '%s\n' "${table%\)}"
    done
}

# The channels of a plan (the one --plan names on the line, else the one the
# tuner record of the simulated card names, else cable), from `tvctl plans PLAN`.
_tvctl_channels() {
    local plan=cable i key value name carrier rest
    local record="${XDG_STATE_HOME:-$HOME/.local/state}/tvctl/tuner"
    if [[ -r $record ]]; then
        while read -r key value; do [[ $key == plan ]] && plan=$value; done <"$record"
    fi
    for ((i = 1; i < ${#COMP_WORDS[@]} - 1; i++)); do
        [[ ${COMP_WORDS[i]} == --plan ]] && plan=${COMP_WORDS[i + 1]}
    done
    "${COMP_WORDS[0]}" plans "$plan" 2>/dev/null | while read -r name carrier rest; do
        [[ $carrier =~ ^[0-9]+\.[0-9]+$ ]] && printf '%s\n' "$name"
    done
}

_tvctl() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="tour source channel freq fine tune station stations picture get reset snapshot watch scan plans i2c audio config standard devices shell"
    local globals="--json --trace --bus --i2c-device --i2c-adapter --v4l2-device --mixer --settings --no-settings --version --help"
    COMPREPLY=()

    case $prev in
        --bus) mapfile -t COMPREPLY < <(compgen -W "sim i2cdev v4l2" -- "$cur"); return ;;
        --mixer) mapfile -t COMPREPLY < <(compgen -W "sim alsa v4l2" -- "$cur"); return ;;
        --i2c-device) mapfile -t COMPREPLY < <(compgen -G "/dev/i2c-*" -- "$cur"); return ;;
        --v4l2-device) mapfile -t COMPREPLY < <(compgen -G "/dev/video*" -- "$cur"); return ;;
        --plan) mapfile -t COMPREPLY < <(compgen -W "$(_tvctl_plans)" -- "$cur"); return ;;
        --tuner-status) mapfile -t COMPREPLY < <(compgen -W "auto on off" -- "$cur"); return ;;
        --file | --save | --settings) mapfile -t COMPREPLY < <(compgen -f -- "$cur"); return ;;
        --format) mapfile -t COMPREPLY < <(compgen -W "png jpeg" -- "$cur"); return ;;
        --step) mapfile -t COMPREPLY < <(compgen -W "0.0625 0.25 0.5 1" -- "$cur"); return ;;
        --card)
            # The sound cards' numbers, as /proc/asound/cards lists them.
            [[ -r /proc/asound/cards ]] &&
                mapfile -t COMPREPLY < <(compgen -W "$(awk '$1 ~ /^[0-9]+$/ { print $1 }' /proc/asound/cards)" -- "$cur")
            return
            ;;
        --i2c-adapter | --channels | --grace | --quality | --frame | --element | --port | --from | --to) return ;;
    esac
    # The options whose next word is their value, not a subcommand.
    local valued=" --bus --mixer --i2c-device --i2c-adapter --v4l2-device --tuner-status --file --settings --format --channels --grace --quality --frame --card --element --port --listen --from --to --step "

    # The command the cursor is in: the last command word before it.
    local i word command="" sub=""
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $valued == *" ${COMP_WORDS[i - 1]} "* ]]; then
            continue
        elif [[ " $commands " == *" $word "* ]]; then
            command=$word sub=""
        elif [[ $word == "--" || $word == ";" ]]; then
            command="" sub=""
        elif [[ -n $command && -z $sub && $word != -* ]]; then
            sub=$word
        fi
    done

    local choices=""
    case $command in
        "") [[ $cur == -* ]] && choices=$globals || choices=$commands ;;
        source) choices="composite svideo s-video tuner tv $(_tvctl_plans)" ;;
        channel) [[ $cur == -* ]] && choices="--plan" || choices="up down $(_tvctl_channels)" ;;
        fine) choices="+1 -1 0" ;;
        scan) choices="$(_tvctl_plans) --fast --channels --save --force --tuner-status --grace -q --quiet --all --from --to --step" ;;
        plans) choices=$(_tvctl_plans) ;;
        station) [[ -z $sub ]] && choices="next prev --file" || choices="--file" ;;
        stations)
            case $sub in
                "") choices="rename remove --file" ;;
                rename | remove) [[ $prev == "$sub" && $cur != -* ]] && { _tvctl_complete_names; return; } ;;
            esac
            [[ -z $choices ]] && choices="--file"
            ;;
        tune)
            if [[ $cur == -* ]]; then
                choices="--file"
            else
                _tvctl_complete_names
                return
            fi
            ;;
        picture)
            mapfile -t COMPREPLY < <(compgen -W "brightness= contrast= hue= saturation=" -- "$cur")
            compopt -o nospace 2>/dev/null
            return
            ;;
        i2c)
            case $sub in
                "") choices="read write block dump adapters" ;;
                read) choices="0x88 0xC2 -b --bare" ;;
                write | block | dump) choices="0x88 0xC2 -y --yes" ;;
            esac
            ;;
        audio)
            case $sub in
                "") [[ $cur == -* ]] && choices="--card --element" || choices="init volume mute mode" ;;
                mute) choices="on off toggle" ;;
                mode) choices="mono stereo lang1 lang2 sap lang1+lang2" ;;
            esac
            ;;
        config)
            case $sub in
                "") choices="check show" ;;
                check)
                    [[ $cur == -* ]] && return
                    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
                    return
                    ;;
            esac
            ;;
        standard) [[ -z $sub ]] && choices="ntsc ntsc-m ntsc-m-jp ntsc-m-kr ntsc-443 pal pal-b pal-b1 pal-g pal-h pal-i pal-d pal-d1 pal-k pal-bg pal-dk pal-m pal-n pal-nc pal-60 secam secam-b secam-d secam-g secam-h secam-k secam-k1 secam-l secam-lc secam-dk" ;;
        watch)
            case $prev in
                --port | --quality) return ;;
                --listen) choices="127.0.0.1 0.0.0.0 ::1 ::" ;;
                *) choices="--port --listen --quality" ;;
            esac
            ;;
        snapshot)
            if [[ $cur == -* ]]; then
                choices="--format --quality --frame"
            else
                mapfile -t COMPREPLY < <(compgen -f -- "$cur")
                return
            fi
            ;;
    esac
    # A new command may follow any command's words.
    [[ -n $command && $cur != -* ]] && choices="$choices $commands"
    mapfile -t COMPREPLY < <(compgen -W "$choices" -- "$cur")
}
complete -F _tvctl tvctl
