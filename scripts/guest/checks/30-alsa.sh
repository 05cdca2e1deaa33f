# The ALSA mixer driver on real kernel sound drivers, each answer cross-checked
# with amixer on the same card:
# - ES1370 (qemu's device, snd-ens1370): the element "Aux" made of "Aux Volume"
#   and "Aux Playback Switch", volume and mute driven both ways;
# - snd-dummy: the element chosen by the setting (Line) with its signed range
#   -50..100 and its dB scale, no playback switch; with the default setting
#   (Aux) it has no such element and gives the documented answer;
# - a user-defined element (alsactl restore of a state file) with a range
#   wider than the scale and below zero;
# - the TV sound on a mono user-defined element with a mono switch: the
#   library's two-channel requests set its one value and read it on both.
# guest-qemu: -audiodev none,id=tvsnd -device ES1370,audiodev=tvsnd
# guest-modprobe: snd-ens1370
# guest-modprobe: snd-dummy
# guest-packages: alsa-utils

TVCTL=("$PREFIX/bin/tvctl" --mixer alsa)
unset TVMIXALSA_DEVICES TVMIXALSA_ELEMENT TVHOST_MIXERS ALSA_CONFIG_PATH

note "$(cat /proc/asound/cards)"

# The ALSA device of the card whose id (as in /proc/asound/cards) is $1.
card_device() { echo "hw:$1"; }

# A control's values as amixer reads them from the card: "19,19".
ctl_values() { amixer -c "$1" cget name="$2" | sed -n 's/^ *: values=//p'; }

# The first channel's value of a simple element as `amixer sget` shows it.
sget_left() {
  amixer -c "$1" sget "$2" | sed -n 's/^ *Front Left: *\(Playback \)\{0,1\}\(-\{0,1\}[0-9][0-9]*\) .*/\2/p'
}

# tvctl's volume answer, left and right on the 0..65535 scale: "40167 40167".
tv_volume() {
  "${TVCTL[@]}" audio "$@" volume | sed -n 's|^volume \([0-9]*\) / \([0-9]*\) (left.*|\1 \2|p'
}

# tvctl's mute answer: "on" or "off".
tv_mute() { "${TVCTL[@]}" audio "$@" mute | sed -n 's/^mute \(on\|off\)$/\1/p'; }

# Passes when the command's output contains the text $1.
output_has() {
  local text=$1 out
  shift
  out=$("$@" 2>&1)
  echo "$out"
  [[ $out == *"$text"* ]]
}

# --- ES1370: "Aux Volume" + "Aux Playback Switch", range 0..31 ---------------
ES=(--card "$(card_device AudioPCI)")
check "es1370 card present" grep -q AudioPCI /proc/asound/cards
check "es1370 has Aux Volume and Aux Playback Switch" \
  bash -c "amixer -c AudioPCI controls | grep -q \"'Aux Volume'\" && amixer -c AudioPCI controls | grep -q \"'Aux Playback Switch'\""
check "es1370 Aux found" output_has "mute control" "${TVCTL[@]}" audio "${ES[@]}" init
check "es1370 volume 40000" "${TVCTL[@]}" audio "${ES[@]}" volume 40000
check_eq "es1370 40000 is card 19 (cget)" "19,19" ctl_values AudioPCI "Aux Volume"
check_eq "es1370 40000 is card 19 (sget)" "19" sget_left AudioPCI Aux
check_eq "es1370 reads back the nearest value" "40167 40167" tv_volume "${ES[@]}"
check "es1370 dB as ALSA knows it" output_has "[-12.00dB / -12.00dB]" "${TVCTL[@]}" audio "${ES[@]}" volume
check "es1370 amixer agrees on the dB" bash -c "amixer -c AudioPCI sget Aux | grep -F -- '[-12.00dB]'"
check "es1370 volume 0" "${TVCTL[@]}" audio "${ES[@]}" volume 0
check_eq "es1370 0 is the card's minimum" "0,0" ctl_values AudioPCI "Aux Volume"
check "es1370 volume 100%" "${TVCTL[@]}" audio "${ES[@]}" volume 100%
check_eq "es1370 100% is the card's maximum" "31,31" ctl_values AudioPCI "Aux Volume"
check "es1370 amixer sets 7" amixer -c AudioPCI sset Aux 7
check_eq "es1370 amixer's 7 read as 14798" "14798 14798" tv_volume "${ES[@]}"
check "es1370 -5% moves down" "${TVCTL[@]}" audio "${ES[@]}" volume -5%
check_eq "es1370 -5% is card 5" "5,5" ctl_values AudioPCI "Aux Volume"
check "es1370 +1% moves one card step" "${TVCTL[@]}" audio "${ES[@]}" volume +1%
check_eq "es1370 +1% is card 6" "6,6" ctl_values AudioPCI "Aux Volume"
check_fails "es1370 65536 refused" "${TVCTL[@]}" audio "${ES[@]}" volume 65536
check_fails "es1370 4294967291 refused" "${TVCTL[@]}" audio "${ES[@]}" volume 4294967291
check_eq "es1370 refusals leave the card alone" "6,6" ctl_values AudioPCI "Aux Volume"
check "es1370 answer shows the card's value" output_has "element 'Aux': 6 / 6 of 0..31" "${TVCTL[@]}" audio "${ES[@]}" volume
check "es1370 mute on" "${TVCTL[@]}" audio "${ES[@]}" mute on
check_eq "es1370 mute is the switch off (cget)" "off,off" ctl_values AudioPCI "Aux Playback Switch"
check "es1370 mute is the switch off (sget)" bash -c "amixer -c AudioPCI sget Aux | grep -E 'Front Left:.*Playback.*\[off\]'"
check "es1370 amixer unmutes" amixer -c AudioPCI sset Aux unmute
check_eq "es1370 amixer's unmute seen" "off" tv_mute "${ES[@]}"
check_eq "es1370 switch on" "on,on" ctl_values AudioPCI "Aux Playback Switch"
check "es1370 mute toggle" "${TVCTL[@]}" audio "${ES[@]}" mute toggle
check_eq "es1370 toggled to mute" "off,off" ctl_values AudioPCI "Aux Playback Switch"
check "es1370 mute off" "${TVCTL[@]}" audio "${ES[@]}" mute off
check_eq "es1370 unmuted" "on,on" ctl_values AudioPCI "Aux Playback Switch"
# One process keeps the mixer open (the library opens it once per session)
# while amixer changes the card: its next read sees the change, and a read
# with no change pending does not wait.
long_lived_read() {
  local dir input pid
  dir=$(mktemp -d)
  mkfifo "$dir/in"
  "${TVCTL[@]}" shell <"$dir/in" >"$dir/out" 2>&1 &
  pid=$!
  exec {input}>"$dir/in"
  echo "audio --card hw:AudioPCI volume 0" >&"$input"
  for _ in $(seq 1200); do grep -q '^card ' "$dir/out" && break; sleep 0.1; done
  amixer -q -c AudioPCI sset Aux 7 >&2
  printf 'audio volume\naudio volume\n' >&"$input"
  exec {input}>&-
  wait "$pid"
  cat "$dir/out" >&2
  sed -n 's|^volume \([0-9]*\) / \([0-9]*\) (left.*|\1 \2|p' "$dir/out" | tail -n1
}
check_eq "es1370 a long-lived open sees amixer's change" "14798 14798" long_lived_read
# The same card through the library's record, without tvctl's options.
volume_by_setting() {
  amixer -q -c AudioPCI sset Aux 7 &&
    TVMIXALSA_DEVICES=hw:AudioPCI "$PREFIX/bin/tvctl" --mixer alsa --json audio volume | jq -r '"\(.left) \(.right)"'
}
check_eq "es1370 chosen by TVMIXALSA_DEVICES" "14798 14798" volume_by_setting

# --- snd-dummy: Line chosen, signed range -50..100 with dB, no playback switch --
DU=(--card "$(card_device Dummy)" --element Line)
check "dummy card present" grep -q Dummy /proc/asound/cards
check "dummy volume 0" "${TVCTL[@]}" audio "${DU[@]}" volume 0
check_eq "dummy 0 is -50" "-50,-50" ctl_values Dummy "Line Volume"
check "dummy volume 65535" "${TVCTL[@]}" audio "${DU[@]}" volume 65535
check_eq "dummy 65535 is 100" "100,100" ctl_values Dummy "Line Volume"
check "dummy volume 40000" "${TVCTL[@]}" audio "${DU[@]}" volume 40000
check_eq "dummy 40000 is 42 (cget)" "42,42" ctl_values Dummy "Line Volume"
check_eq "dummy 40000 is 42 (sget)" "42" sget_left Dummy Line
check_eq "dummy reads back the nearest value" "40195 40195" tv_volume "${DU[@]}"
check "dummy amixer sets -20" amixer -c Dummy cset name="Line Volume" -- -20,-20
check_eq "dummy -20 read as 13107, never as a huge number" "13107 13107" tv_volume "${DU[@]}"
check "dummy dB as ALSA knows it" output_has "[-36.00dB / -36.00dB]" "${TVCTL[@]}" audio "${DU[@]}" volume
check "dummy amixer agrees on the dB" bash -c "amixer -c Dummy sget Line | grep -F -- '[-36.00dB]'"
check "dummy 50%" "${TVCTL[@]}" audio "${DU[@]}" volume 50%
check_eq "dummy 50% is 25" "25,25" ctl_values Dummy "Line Volume"
check_fails "dummy Line has no mute control" "${TVCTL[@]}" audio "${DU[@]}" mute on
check_fails "dummy without the setting has no Aux" "${TVCTL[@]}" audio --card "$(card_device Dummy)" volume
check "dummy without Aux says so" output_has "no auxiliary source line with a volume control" \
  "${TVCTL[@]}" audio --card "$(card_device Dummy)" volume
check_eq "dummy refused requests leave Line alone" "25,25" ctl_values Dummy "Line Volume"

# --- a user-defined element: range -100000..100000, wider than the scale ------
# The value lines of a control of $1 channels that each hold $2.
state_values() {
  if (($1 == 1)); then printf '\t\tvalue %s\n' "$2"; return; fi
  local i
  for ((i = 0; i < $1; i++)); do printf '\t\tvalue.%s %s\n' "$i" "$2"; done
}

# add_user_elements NUMBER NAME COUNT RANGE VOLUME_SHOWS SWITCH_SHOWS: adds
# the user-defined elements 'NAME Playback Volume' (COUNT channels, RANGE
# "MIN - MAX") and 'NAME Playback Switch' to the Dummy card as controls
# NUMBER and NUMBER+1, and checks that amixer shows each with its pattern.
# alsactl adds the elements the state file marks as user-defined. The file
# lists only those, so -I keeps alsactl from falling back to initialising the
# card's other controls (it would then exit 99), and -U from using UCM.
add_user_elements() {
  local state=/tmp/tvcore-$2-elements.state
  cat >"$state" <<STATE
state.Dummy {
	control.$1 {
		iface MIXER
		name '$2 Playback Volume'
$(state_values "$3" 0)
		comment {
			access 'read write user'
			type INTEGER
			count $3
			range '$4'
		}
	}
	control.$(($1 + 1)) {
		iface MIXER
		name '$2 Playback Switch'
$(state_values "$3" true)
		comment {
			access 'read write user'
			type BOOLEAN
			count $3
		}
	}
}
STATE
  alsactl -I -U -f "$state" restore Dummy || return
  amixer -c Dummy cget name="$2 Playback Volume" | grep -q "$5" &&
    amixer -c Dummy cget name="$2 Playback Switch" | grep -q "$6"
}
check "user elements restored" add_user_elements 900 Video 2 '-100000 - 100000' 'min=-100000,max=100000' 'type=BOOLEAN'
UV=(--card "$(card_device Dummy)" --element Video)
check "user element volume 32768" "${TVCTL[@]}" audio "${UV[@]}" volume 32768
check_eq "user element 32768 is card 2" "2,2" ctl_values Dummy "Video Playback Volume"
check_eq "user element reads 32768 back exactly" "32768 32768" tv_volume "${UV[@]}"
check "user element volume 0" "${TVCTL[@]}" audio "${UV[@]}" volume 0
check_eq "user element 0 is -100000" "-100000,-100000" ctl_values Dummy "Video Playback Volume"
check "user element mute on" "${TVCTL[@]}" audio "${UV[@]}" mute on
check_eq "user element switch off" "off,off" ctl_values Dummy "Video Playback Switch"
check "user element shows no dB" output_has "(no dB figures)" "${TVCTL[@]}" audio "${UV[@]}" volume

# --- a mono user-defined element: Aux -20..10 with a mono switch ---------------
check "mono elements restored" add_user_elements 910 Aux 1 '-20 - 10' 'values=1,min=-20,max=10' 'type=BOOLEAN,.*values=1'
MO=(--card "$(card_device Dummy)")
# tvctl's init answer names both controls: InitTVAudio answered 1.
init_finds_both() { "${TVCTL[@]}" audio "$@" init | grep -E 'volume control [1-9].*mute control [1-9]'; }
check "mono Aux has volume and mute controls" init_finds_both "${MO[@]}"
check "mono volume 40000" "${TVCTL[@]}" audio "${MO[@]}" volume 40000
check_eq "mono 40000 is card -2" "-2" ctl_values Dummy "Aux Playback Volume"
check_eq "mono reads its one value on both channels" "39321 39321" tv_volume "${MO[@]}"
check "mono amixer sets 5" amixer -c Dummy cset name="Aux Playback Volume" 5
check_eq "mono amixer's 5 read as 54613" "54613 54613" tv_volume "${MO[@]}"
check_fails "mono 65536 refused" "${TVCTL[@]}" audio "${MO[@]}" volume 65536
check_eq "mono refusal leaves the card alone" "5" ctl_values Dummy "Aux Playback Volume"
check "mono mute on" "${TVCTL[@]}" audio "${MO[@]}" mute on
check_eq "mono mute is the switch off" "off" ctl_values Dummy "Aux Playback Switch"
check_eq "mono mute reads on" "on" tv_mute "${MO[@]}"
check "mono mute off" "${TVCTL[@]}" audio "${MO[@]}" mute off
check_eq "mono switch on" "on" ctl_values Dummy "Aux Playback Switch"
