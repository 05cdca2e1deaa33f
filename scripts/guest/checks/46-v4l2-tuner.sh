# tvctl's TV standard, audio mode, device list and tuner record on the
# kernel's vivid test driver, every effect confirmed with v4l2-ctl. vivid as
# 40-v4l2.sh loads it: one capture node whose inputs are TV (tuner), two
# webcams and S-video.
# guest-modprobe: vivid n_devs=1 node_types=0x1 input_types=0x81
# guest-packages: v4l-utils
# guest-timeout: 900

vivid_open
sim() { "$PREFIX/bin/tvctl" "$@"; }
# A state directory of this file's own: the records start empty.
XDG_STATE_HOME=$(mktemp -d)
export XDG_STATE_HOME

get_freq() { vc --get-freq | sed -n 's/^Frequency for tuner [0-9]*: \([0-9]*\).*/\1/p'; }
get_std() { vc --get-standard | sed -n 's/^Video Standard = \(0x[0-9a-fA-F]*\).*/\1/p'; }
tuner_field() { vc --get-tuner | sed -n "s/^[[:space:]]*$1[^:]*: *//p" | xargs; }
said() {  # TEXT CMD...: CMD fails and says TEXT
  local out
  out=$("${@:2}" 2>&1) && return 1
  grep -qF -- "$1" <<<"$out"
}

tv source cable >/dev/null  # vivid's standards belong to the TV input

# --- standards: each set with tvctl is the one v4l2-ctl shows --------------
for row in "ntsc-m 0x00001000" "ntsc-m-jp 0x00002000" "pal-bg 0x00000007" "pal-i 0x00000010" \
           "pal-dk 0x000000e0" "pal-m 0x00000100" "pal-n 0x00000200" "secam-l 0x00400000" \
           "secam-dk 0x00320000" "pal 0x000000ff" "ntsc 0x0000b000"; do
  read -r name mask <<<"$row"
  check "standard $name" tv standard "$name"
  check_eq "standard $name: v4l2-ctl" "$mask" get_std
  check_eq "standard $name: tvctl reads it back" "$name" bash -c "'$PREFIX/bin/tvctl' --v4l2-device '$dev' --json standard | jq -r .standard"
done
vc --set-standard=pal-i
check_eq "a standard set with v4l2-ctl is read back" pal-i bash -c "'$PREFIX/bin/tvctl' --v4l2-device '$dev' --json standard | jq -r .standard"
check_eq "tvctl lists as many standards as v4l2-ctl" "$(vc --list-standards | grep -c 'Index')" \
  bash -c "'$PREFIX/bin/tvctl' --v4l2-device '$dev' --json standard | jq '.standards | length'"
check "an unknown standard is a usage error" said 'is no TV standard' tv standard pal-x
check "the simulated card refuses pal-bg in a sentence" said 'receives NTSC-M only' sim standard pal-bg
check "the simulated card takes ntsc-m" sim standard ntsc-m
tv standard ntsc-m >/dev/null

# --- audio mode: set with tvctl, read with v4l2-ctl, and the other way -----
for row in "mono mono" "stereo stereo" "lang1 lang1" "lang2 lang2" "sap lang2" "lang1+lang2 bilingual" "stereo stereo"; do
  read -r mode shown <<<"$row"
  check "audio mode $mode" tv audio mode "$mode"
  check_eq "audio mode $mode: v4l2-ctl" "$shown" tuner_field "Current audio mode"
done
vc --set-tuner=lang1
check_eq "an audio mode set with v4l2-ctl is read back" lang1 bash -c "'$PREFIX/bin/tvctl' --v4l2-device '$dev' --json audio mode | jq -r .mode"
check_eq "the sub-channels received are v4l2-ctl's" "$(tuner_field 'Available subchannels')" \
  bash -c "'$PREFIX/bin/tvctl' --v4l2-device '$dev' --json audio mode | jq -r '.receives | join(\" \")'"
check "the simulated card has no audio mode" said 'has no audio mode' sim audio mode stereo

# --- devices: vivid with its inputs and standards --------------------------
devices() { "$PREFIX/bin/tvctl" --json devices; }
check_eq "devices lists vivid's node" "$dev" bash -c "'$PREFIX/bin/tvctl' --json devices | jq -r '.v4l2[] | select(.card == \"vivid\") | .device'"
check "v4l2-ctl --list-devices lists the same node" bash -c "v4l2-ctl --list-devices | grep -qx '[[:space:]]*$dev'"
check_eq "devices shows vivid's inputs" "$(vc --list-inputs | grep -c 'Input *:')" \
  bash -c "'$PREFIX/bin/tvctl' --json devices | jq '.v4l2[] | select(.device == \"$dev\") | .inputs | length'"
check_eq "devices shows vivid's standards" "$(vc --list-standards | grep -c 'Index')" \
  bash -c "'$PREFIX/bin/tvctl' --json devices | jq '.v4l2[] | select(.device == \"$dev\") | .standards | length'"
check_eq "devices shows the bus v4l2-ctl shows" "$(vc --info | sed -n 's/^[[:space:]]*Bus info *: //p' | head -1)" \
  bash -c "'$PREFIX/bin/tvctl' --json devices | jq -r '.v4l2[] | select(.device == \"$dev\") | .bus'"
check "devices lists the ALSA and I2C parts too" bash -c "'$PREFIX/bin/tvctl' --json devices | jq -e 'has(\"alsa\") and has(\"i2c\")'"

# --- the record follows a frequency v4l2-ctl set ---------------------------
record() { tv --json get | jq -r "$1"; }
check "tune cable 7" tv source cable channel 7
vc --set-freq=181.25
check_eq "after v4l2-ctl --set-freq 181.25: get shows channel 8" 8 record .tuner.channel
check_eq "get shows the device's frequency" 181.25 record .device.frequencyMHz
check_eq "get shows the device's standard" ntsc-m record .device.standard
check "channel up goes on from 181.25" tv channel up
check_eq "channel up from v4l2-ctl's channel 8: 187.25 MHz" 2996 get_freq
vc --set-freq=187.3125
check_eq "one 62.5 kHz step off: fine reads +1" 1 bash -c "'$PREFIX/bin/tvctl' --v4l2-device '$dev' --json fine | jq .fine"
check "fine +1 goes on from there" tv fine +1
check_eq "fine +1 after v4l2-ctl's step: 187.375 MHz" 2998 get_freq
for mhz in 181.25 178; do
  vc --set-freq=$mhz
  sig=$(vc --get-tuner | sed -n 's/.*Signal strength[^:]*: *\([0-9]*\)%.*/\1/p')
  check_eq "at $mhz MHz get's signal is v4l2-ctl's ($sig%)" "$([[ ${sig:-0} -gt 0 ]] && echo true || echo false)" \
    bash -c "'$PREFIX/bin/tvctl' --v4l2-device '$dev' --json get | jq '.device.signal > 0'"
done
check_eq "off every channel: get shows the frequency" 178 record .tuner.carrierMHz

# --- a run on the simulated card keeps its own record ----------------------
v4l2_record() { cat "$XDG_STATE_HOME"/tvctl/tuner-v4l2-*; }
before=$(v4l2_record)
check "simulated card: channel 3" sim source cable channel 3
check_eq "the V4L2 record file is as it was" "$before" v4l2_record
check_eq "the V4L2 record stays at 178 MHz" 178 record .tuner.carrierMHz
check_eq "the simulated card's record stays at channel 3" 3 bash -c "'$PREFIX/bin/tvctl' --json get | jq .tuner.channel"
check "each has a file of its own" bash -c "test -f '$XDG_STATE_HOME/tvctl/tuner' && ls '$XDG_STATE_HOME/tvctl/' | grep -q '^tuner-v4l2-'"

# --- a station's standard is set before it is tuned -------------------------
stations=$(mktemp)
printf 'Paris cable 10 secam-l\nBoston cable 12 ntsc-m\n' >"$stations"
check "tune a station that needs SECAM-L" tv tune --file "$stations" Paris
check_eq "the station's standard: v4l2-ctl" 0x00400000 get_std
check_eq "the station's channel: v4l2-ctl" 3092 get_freq
check "the simulated card refuses the SECAM-L station in a sentence" \
  said 'receives NTSC-M only' sim tune --file "$stations" Paris
check "the simulated card tunes the NTSC-M station" sim tune --file "$stations" Boston
tv standard ntsc-m >/dev/null

# --- every channel table: its carrier and standard reach the device ---------
# One channel of each table: the carrier its allocation gives (MHz) and the
# mask of the table's standard, as v4l2-ctl reads them back.
for row in "broadcast 7 175.25 0x00001000" "us-cable 99 115.25 0x00001000" "cable-irc 5 79.25 0x00001000" \
           "us-cable-hrc 100 648.0324 0x00001000" "japan-bcast 13 471.25 0x00002000" \
           "japan-cable C13 109.25 0x00002000" "europe-west S21 303.25 0x00000007" \
           "europe-east R3 77.25 0x000000e0" "russia SK1 111.25 0x00320000" "italy H1 217.25 0x00000007" \
           "ireland 39 615.25 0x00000010" "france 5 176 0x00400000" "australia 5A 138.25 0x00000007" \
           "newzealand 25 503.25 0x00000007" "china-bcast DS25 607.25 0x000000e0" "argentina 2 55.25 0x00000400" \
           "southafrica 67 839.25 0x00000010"; do
  read -r table channel mhz mask <<<"$row"
  check "channel --plan $table $channel" tv channel --plan "$table" "$channel"
  check_eq "$table $channel: v4l2-ctl's frequency" "$(awk -v m="$mhz" 'BEGIN { printf "%d", m * 16 + 0.5 }')" get_freq
  check_eq "$table $channel: v4l2-ctl's standard" "$mask" get_std
done
check "channel --plan europe-west s21, in any case" tv channel --plan europe-west s21
check_eq "the record names the table's channel as the table spells it" "europe-west S21" \
  record '"\(.tuner.plan) \(.tuner.channel)"'
printf 'Koeln europe-west E5\nDublin ireland 39 pal-bg\n' >"$stations"
check "a station of a table without a standard" tv tune --file "$stations" Koeln
check_eq "Koeln: the table's standard, pal-bg" 0x00000007 get_std
check "a station of a table with a standard of its own" tv tune --file "$stations" Dublin
check_eq "Dublin: its own standard wins over the table's pal-i" 0x00000007 get_std
check "the simulated card tunes the European station all the same" sim tune --file "$stations" Koeln
check_eq "the simulated card's record: europe-west E5" E5 bash -c "'$PREFIX/bin/tvctl' --json get | jq -r .tuner.channel"
tv standard ntsc-m >/dev/null
