#!/bin/bash
# Completes a few command lines with tvctl's bash completion ($1), tvctl ($2)
# answering for the plans, and checks the answers: commands, option values,
# subcommands after options, plans and their channels, station names from
# the list, files.
set -u
source "$1"
PATH=$(dirname "$2"):$PATH
export XDG_CONFIG_HOME=$(mktemp -d) XDG_STATE_HOME=$(mktemp -d)
trap 'rm -rf "$XDG_CONFIG_HOME" "$XDG_STATE_HOME"' EXIT
mkdir -p "$XDG_CONFIG_HOME/tvctl"
printf '# mine\n"Local News" broadcast 14\nSports cable 7 +1\n\n' >"$XDG_CONFIG_HOME/tvctl/stations"
failed=0
expect() {
    local want=$1
    shift
    COMP_WORDS=("$@") COMP_CWORD=$(($# - 1))
    _tvctl
    if [[ "${COMPREPLY[*]}" != "$want" ]]; then
        echo "[$*] completed to [${COMPREPLY[*]}], not [$want]"
        failed=1
    fi
}
expect "scan" tvctl sc
expect "sim i2cdev v4l2" tvctl --bus ""
expect "cable-irc cable-hrc" tvctl scan cable-
expect "europe-west europe-east" tvctl plans europe
expect "us-cable us-cable-irc us-cable-hrc" tvctl source us-c
expect "E2 E2A E3 E4 E5 E6 E7 E8 E9 E10 E11 E12" tvctl channel --plan europe-west E
expect "C13 C14 C15 C16 C17 C18 C19" tvctl channel --plan japan-cable C1
expect "12 120 121 122 123 124 125" tvctl channel 12
expect "--plan" tvctl channel -
expect 'Local\ News Sports' tvctl tune ""
expect "Sports" tvctl source cable -- tune sp
expect "next" tvctl station n
expect "rename" tvctl stations ren
expect 'Local\ News' tvctl stations rename loc
expect "Sports" tvctl stations remove S
expect "show" tvctl config sho
expect "--settings" tvctl --sett
expect "png jpeg" tvctl snapshot --format ""
expect "pal-b pal-b1 pal-bg" tvctl standard pal-b
expect "lang1 lang1+lang2" tvctl audio mode lang1
expect "--port --listen --quality" tvctl watch -
expect "--card --element" tvctl audio -
expect "mute mode" tvctl --mixer alsa audio --card 1 --element Line m
expect "$XDG_CONFIG_HOME/tvctl/stations" tvctl config check "$XDG_CONFIG_HOME/tvctl/st"
expect "--all" tvctl scan --al
expect "0.25" tvctl scan --all --step 0.2
exit $failed
