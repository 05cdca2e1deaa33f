#!/bin/bash
# Holds tvctl's documentation to the program: every option and command that
# `tvctl --help` and each `tvctl COMMAND [SUBCOMMAND] --help` name must appear
# in the manual page (an option of a command in that command's entry), be
# offered by the bash completion, and every command must be in the README's
# command table. Each gap is printed as one line saying what is missing where.
# Arguments: TVCTL MANPAGE COMPLETION README
set -u
tvctl=$1 manpage=$2 completion=$3 readme=$4
# shellcheck source=/dev/null
source "$completion"
failed=0
missing() {
    echo "$*"
    failed=1
}

# The entries of a help text: the first word of each line of its section
# (Options:, Commands:, Subcommands:); an option's names as -q,--quiet.
help_section() {
    awk -v want="$1:" '
        $0 == want { inside = 1; next }
        /^[^ ]/ || /^$/ { inside = 0 }
        inside && /^  [^ ]/ { print $1 }'
}

# The manual page as plain text, one line per source line, each prefixed with
# where it stands: "OPTIONS" for tvctl's own options, the command's name for
# the lines of a command's entry (a tag after .TP or .TQ and its paragraph).
man_lines() {
    sed -e 's/\\f[BIRP]//g' -e 's/\\-/-/g' -e 's/\\(dq/"/g' "$manpage" | awk '
        /^\.SH / { section = $2; command = ""; next }
        section == "OPTIONS" { print "OPTIONS\t" $0; next }
        section != "COMMANDS" { next }
        /^\.T[PQ]/ { tag = 1; if ($0 ~ /^\.TP/) command = ""; next }
        tag {
            tag = 0
            line = $0
            sub(/^\.[A-Z]+ +/, "", line)
            gsub(/"/, "", line)
            split(line, words, " ")
            if (command == "") command = words[1]
            else if (words[1] != command) command = command " " words[1]
        }
        command != "" { n = split(command, names, " "); for (i = 1; i <= n; i++) print names[i] "\t" $0 }'
}
man_text=$(man_lines)

# The man page text where `where` stands (OPTIONS or a command).
man_part() { awk -F'\t' -v where="$1" '$1 == where { print $2 }' <<<"$man_text"; }

# A word stands in text as itself, not as part of a longer option or name.
has_word() { grep -qE "(^|[^A-Za-z0-9+-])$1([^A-Za-z0-9+-]|$)" <<<"$2"; }

# What the completion offers for a command line whose last word is being typed.
completes() {
    COMP_WORDS=("$@") COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _tvctl 2>/dev/null
    printf '%s\n' "${COMPREPLY[@]}"
}

# Checks the options of one help text. `where` is OPTIONS or a command's
# name, `words` the command line that reaches it (for the completion), `what`
# how the failure names it.
check_options() {
    local help=$1 where=$2 what=$3
    shift 3
    local text offered option place="$where entry"
    [[ $where == OPTIONS ]] && place="OPTIONS section"
    text=$(man_part "$where")
    offered=$(completes "$@" -)
    local group
    # An option's names (-q,--quiet) are checked one by one in the man page;
    # the completion need offer only one of them.
    while IFS= read -r group; do
        [[ -z $group ]] && continue
        local any=0
        for option in ${group//,/ }; do
            [[ $where != OPTIONS && ($option == -h || $option == --help) ]] && continue 2
            has_word "$option" "$text" || missing "$what option $option is missing from the man page's $place ($manpage)"
            grep -qxF -- "$option" <<<"$offered" && any=1
        done
        ((any)) || missing "$what option ${group//,/ or } is not offered by the completion after \"${*:2} -\" ($completion)"
    done < <(help_section Options <<<"$help")
}

main_help=$("$tvctl" --help) || missing "tvctl --help failed"
commands=$(help_section Commands <<<"$main_help")
[[ -n $commands ]] || missing "tvctl --help lists no commands"

check_options "$main_help" OPTIONS "tvctl's" tvctl

offered_commands=$(completes tvctl "")
readme_commands=$(awk -F'|' '/^\| command \| what it does \|/ { inside = 1; next }
    inside && !/^\|/ { inside = 0 }
    inside { n = split($2, spans, "`"); for (i = 2; i <= n; i += 2) { split(spans[i], w, " "); print w[1] } }' "$readme")

for command in $commands; do
    grep -qxF "$command" <<<"$offered_commands" || missing "command $command is not in the completion's command list ($completion)"
    grep -qxF "$command" <<<"$readme_commands" || missing "command $command is not in the README's command table ($readme)"
    [[ -n $(man_part "$command") ]] || { missing "command $command has no entry in the man page's COMMANDS section ($manpage)"; continue; }
    help=$("$tvctl" "$command" --help) || { missing "tvctl $command --help failed"; continue; }
    check_options "$help" "$command" "$command" tvctl "$command"
    for sub in $(help_section Subcommands <<<"$help"); do
        has_word "$sub" "$(man_part "$command")" || missing "$command subcommand $sub is missing from the man page's $command entry ($manpage)"
        grep -qxF "$sub" <<<"$(completes tvctl "$command" "")" || missing "$command subcommand $sub is not offered by the completion after \"$command\" ($completion)"
        sub_help=$("$tvctl" "$command" "$sub" --help) || { missing "tvctl $command $sub --help failed"; continue; }
        check_options "$sub_help" "$command" "$command $sub" tvctl "$command" "$sub"
    done
done
exit $failed
