# The picture of the V4L2 bus driver's device on the kernel's vivid driver
# (the same node and parameters as 40-v4l2.sh): a snapshot of the TV input
# has the size v4l2-ctl reports and vivid's colour bars, says what was on,
# gets brighter and darker with the brightness set through tvctl, and is
# refused while another program streams from the device.
# guest-modprobe: vivid n_devs=1 node_types=0x1 input_types=0x81
# guest-packages: v4l-utils jq
# guest-timeout: 900

vivid_open
dir=$(mktemp -d)

# --- a snapshot of the TV input on a station ----------------------------------
# Cable channel 7 (175.25 MHz) lies on vivid's station raster: colour bars.
tv source cable channel 7 picture brightness=128 contrast=128 saturation=128 hue=128 >/dev/null
size=$(vc --get-fmt-video | sed -n 's/^[[:space:]]*Width\/Height[[:space:]]*: *\([0-9]*\)\/\([0-9]*\).*/\1 \2/p')
note "vivid's format: $size"
check "v4l2-ctl reports the TV input's size" test -n "$size"
answer=$(tv --json snapshot "$dir/tv.png")
note "snapshot: $answer"
field() { jq -r ".$1" <<<"$answer"; }
check_eq "snapshot names the file it wrote" "$dir/tv.png" field file
check_eq "the file's size as said" "$(stat -c %s "$dir/tv.png" 2>/dev/null)" field bytes
check_eq "what was on: the tuner" tuner field input
check_eq "what was on: cable channel 7" "cable 7" jq -r '"\(.plan) \(.channel)"' <<<"$answer"
check_eq "what was on: 175.25 MHz" 175.25 field carrierMHz
check_eq "what was on: locked" true field locked
check_eq "--json has vivid's size" "$size" jq -r '"\(.width) \(.height)"' <<<"$answer"
check_eq "the PNG has vivid's size" "$size" bash -c "'$BUILD/tests/v4l2_picture_stats' '$dir/tv.png' | cut -d' ' -f1,2"

check_eq "the picture is vivid's colour bars" "111 110 011 010 101 100 001 000" vivid_bars "$dir/tv.png"

check "snapshot --format jpeg" tv snapshot --format jpeg "$dir/tv.jpg"
check_eq "the JPEG starts with its start-of-image marker" "ffd8" bash -c "head -c 2 '$dir/tv.jpg' | od -An -tx1 | tr -d ' \n'"

# --- brightness through tvctl moves the mean luma ----------------------------
mean_at() {  # BRIGHTNESS: the snapshot's mean luma
  tv picture "brightness=$1" >/dev/null || return 1
  tv snapshot "$dir/b$1.png" >/dev/null || return 1
  stats "$dir/b$1.png" | cut -d' ' -f3
}
dark=$(mean_at 64) middle=$(mean_at 128) bright=$(mean_at 192)
note "mean luma at brightness 64/128/192: $dark/$middle/$bright"
check "brightness 64 is darker than 128 ($dark < $middle)" test "${dark:-x}" -lt "${middle:-x}"
check "brightness 192 is brighter than 128 ($bright > $middle)" test "${bright:-x}" -gt "${middle:-x}"
tv picture brightness=128 >/dev/null

# --- no station: vivid's snow, not locked -------------------------------------
# Cable channel 5 (77.25 MHz) is off vivid's raster.
check_eq "off the raster: not locked" false bash -c "'$PREFIX/bin/tvctl' --v4l2-device '$dev' --json source cable channel 5 snapshot '$dir/snow.png' | tail -n 1 | jq -r .locked"
tv source cable channel 7 >/dev/null

# --- another program streaming: refused in words ------------------------------
# v4l2-ctl itself in the background (not the vc function's subshell), so
# killing it stops the stream.
v4l2-ctl -d "$dev" --stream-mmap --stream-count=100000 --stream-to=/dev/null >"$dir/streamer.log" 2>&1 &
streamer=$!
for _ in $(seq 60); do grep -q '<' "$dir/streamer.log" && break; sleep 0.5; done
check "v4l2-ctl streams from the device" grep -q '<' "$dir/streamer.log"
check_fails "a snapshot while v4l2-ctl streams is refused" tv snapshot "$dir/busy.png"
check "the refusal says the device is busy with another program's stream" bash -c \
  "'$PREFIX/bin/tvctl' --v4l2-device '$dev' snapshot '$dir/busy.png' 2>&1 | grep -q \"$dev (\\\"vivid\\\") is busy with another program's stream\""
check_fails "no file was written" test -e "$dir/busy.png"
kill "$streamer" 2>/dev/null
wait "$streamer" 2>/dev/null
check "after the stream stops, a snapshot is taken again" tv snapshot "$dir/again.png"
