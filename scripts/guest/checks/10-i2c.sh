# The i2c-dev bus driver on the kernel's own adapters, cross-checked with
# i2c-tools: a bit-banging adapter with plain I2C (radeonfb on qemu's ATI
# card, with DDC ROMs answering at the decoder's and the tuner's addresses)
# and the SMBus-only i2c-stub (stored registers at the same addresses).
# guest-qemu: -device ati-vga,model=rv100 -device i2c-ddc,bus=ati-vga.ddc,address=0x44 -device i2c-ddc,bus=ati-vga.ddc,address=0x61
# guest-modprobe: i2c-dev
# guest-modprobe: radeonfb
# guest-modprobe: i2c-stub chip_addr=0x44,0x61
# guest-packages: i2c-tools

tvctl=$PREFIX/bin/tvctl
bus_number() {  # the i2c-N number of the adapter with this exact name
  local a
  for a in /sys/class/i2c-adapter/i2c-*; do
    [[ "$(cat "$a/name")" == "$1" ]] && { echo "${a##*-}"; return 0; }
  done
  return 1
}

# --- plain I2C: combined write-then-read transfers and addressing ---------
plain="radeonfb dvi"
pbus=$(bus_number "$plain")
check "plain adapter '$plain' present" test -n "$pbus"
check "tvctl lists the plain adapter" bash -c "'$tvctl' i2c adapters | grep -q '$plain'"

# The library's reads against i2ctransfer's, register by register.
registers_from_tvctl() {  # ADDR: the dump's values, decimal, one line
  "$tvctl" --i2c-adapter "$plain" --json i2c dump -y "$1" | jq -r '.registers | map(tostring) | join(" ")'
}
registers_from_i2ctransfer() {  # 7-bit ADDR COUNT
  # Each register as the library reads it (write the register, read one
  # byte after a repeated start), 21 such pairs per I2C_RDWR, the kernel's
  # most messages in one transfer.
  local reg first msgs out=()
  for ((first = 0; first < $2; first += 21)); do
    msgs=()
    for ((reg = first; reg < first + 21 && reg < $2; reg++)); do msgs+=("w1@$1" "$reg" r1); done
    for v in $(i2ctransfer -y "$pbus" "${msgs[@]}"); do out+=("$((v))"); done
  done
  echo "${out[*]}"
}
decoder_ref=$(registers_from_i2ctransfer 0x44 256)
tuner_ref=$(registers_from_i2ctransfer 0x61 256)
note "decoder ROM starts: $(cut -d' ' -f1-8 <<<"$decoder_ref")"
check "decoder ROM is not blank" bash -c "[[ '$decoder_ref' != '' && '$decoder_ref' =~ [1-9] ]]"
check_eq "decoder 0x88: 256 reads agree with i2ctransfer" "$decoder_ref" registers_from_tvctl 0x88
check_eq "tuner 0xC2: 256 reads agree with i2ctransfer" "$tuner_ref" registers_from_tvctl 0xC2
check_eq "odd address byte 0x89 reads the decoder" "$(cut -d' ' -f1-256 <<<"$decoder_ref")" registers_from_tvctl 0x89
# No device at 0x48 (0x90): i2ctransfer fails there too, and the library's
# answer carries the kernel's no-acknowledge class with 0xFF in the low byte.
check_fails "i2ctransfer finds no device at 0x48" i2ctransfer -y "$pbus" w1@0x48 0 r1
absent_read_fails_with_no_acknowledge() {
  local answer
  answer=$("$tvctl" --i2c-adapter "$plain" --json i2c read 0x90 0x00)
  echo "$answer"
  jq -e '.ok == false and (.error // "" | test("errno (6|121) "))' <<<"$answer" >/dev/null
}
check "read from an absent device fails with ENXIO or EREMOTEIO" absent_read_fails_with_no_acknowledge

# --- SMBus only: the kernel's i2c-stub, registers stored -------------------
stub="SMBus stub driver"
sbus=$(bus_number "$stub")
check "stub adapter present" test -n "$sbus"
check_eq "stub adapter has no plain I2C" "no" bash -c "i2cdetect -F '$sbus' | awk '/^I2C  /{print \$2}'"
st() { "$tvctl" --i2c-adapter "$stub" "$@"; }
st_json() {  # FIELD TVCTL_ARGS...: the field of the last JSON answer that has it (one answer a command)
  local field=$1
  shift
  st --json "$@" | jq -rs --arg f "$field" '[.[][$f] | select(. != null)] | last'
}
get() { i2cget -y "$sbus" "$1" "$2"; }

check "tvctl writes a decoder register" st i2c write -y 0x88 0x10 0x5A
check_eq "i2cget sees it" 0x5a get 0x44 0x10
check "i2cset another value" i2cset -y "$sbus" 0x44 0x10 0xA7
check_eq "tvctl reads it back" 167 st_json value i2c read 0x88 0x10

# Source selection: input register's multiplexer (bits 6..5) and the control
# register's S-video bit (0x40), from input 0x81 and control 0x15.
for row in "composite 0xe1 0x15" "svideo 0xa1 0x55" "cable 0xa1 0x15" "broadcast 0xa1 0x15"; do
  read -r source input control <<<"$row"
  i2cset -y "$sbus" 0x44 0x01 0x81 && i2cset -y "$sbus" 0x44 0x0b 0x15
  check "source $source" st source "$source"
  check_eq "source $source: input register" "$input" get 0x44 0x01
  check_eq "source $source: control register" "$control" get 0x44 0x0b
done

# Picture controls at their ends and middle. Brightness and hue: value+128
# as a byte. Contrast: 2v, bit 8 in control bit 2. Saturation: U = 2v and
# V = 200v/141, bit 8 of each in control bits 1 and 0.
for row in "brightness 0 0x0a 0x80" "brightness 128 0x0a 0x00" "brightness 255 0x0a 0x7f" \
           "hue 0 0x0f 0x80" "hue 128 0x0f 0x00" "hue 255 0x0f 0x7f"; do
  read -r control value reg byte <<<"$row"
  check "picture $control=$value" st picture "$control=$value"
  check_eq "picture $control=$value: register $reg" "$byte" get 0x44 "$reg"
done
for row in "0 0x00 0x10" "128 0x00 0x14" "255 0xfe 0x14"; do
  read -r value lo ctl <<<"$row"
  i2cset -y "$sbus" 0x44 0x0b 0x10
  check "picture contrast=$value" st picture "contrast=$value"
  check_eq "contrast=$value: low byte" "$lo" get 0x44 0x0c
  check_eq "contrast=$value: control" "$ctl" get 0x44 0x0b
done
for row in "0 0x00 0x00 0x10" "128 0x00 0xb5 0x12" "255 0xfe 0x69 0x13" "100 0xc8 0x8d 0x10"; do
  read -r value u v ctl <<<"$row"
  i2cset -y "$sbus" 0x44 0x0b 0x10
  check "picture saturation=$value" st picture "saturation=$value"
  check_eq "saturation=$value: U" "$u" get 0x44 0x0d
  check_eq "saturation=$value: V" "$v" get 0x44 0x0e
  check_eq "saturation=$value: control" "$ctl" get 0x44 0x0b
done

# A tune: the block 0D D0 8E 02 (cable 7, 175.25 MHz) as one I2C-block write,
# the first byte as the command, so the other three land from register 0x0D.
check "tune cable 7" st source cable channel 7
check_eq "tuner register 0x0D" 0xd0 get 0x61 0x0d
check_eq "tuner register 0x0E" 0x8e get 0x61 0x0e
check_eq "tuner register 0x0F" 0x02 get 0x61 0x0f

# Lock exactly when the decoder's status register has bit 6.
for row in "0x40 true" "0xff true" "0x00 false" "0xbf false"; do
  read -r status locked <<<"$row"
  i2cset -y "$sbus" 0x44 0x00 "$status"
  check_eq "tune with status $status: locked $locked" "$locked" \
    st_json locked source cable channel 9
done

# The decoder absent: the status read fails, which is no lock.
guest_modprobe -r i2c-stub && guest_modprobe i2c-stub chip_addr=0x61
sbus=$(bus_number "$stub")
check_fails "i2cget finds no decoder" i2cget -y "$sbus" 0x44 0x00
check_eq "tune with the decoder absent: no lock" "false" \
  st_json locked channel 9
check_eq "the block still reached the tuner" 0x90 get 0x61 0x0e
