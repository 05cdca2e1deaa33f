# tvctl watch on the kernel's vivid driver (the node and parameters of
# 40-v4l2.sh): the still image and the live stream carry vivid's own frames
# (its size and colour bars), one after another; a channel change and the
# brightness through the page's API reach the device (v4l2-ctl) and the
# picture; SIGTERM stops the server and lets the device go. (A background
# job of a script starts with SIGINT ignored, so the check stops it as a
# service manager would.)
# guest-modprobe: vivid n_devs=1 node_types=0x1 input_types=0x81
# guest-packages: v4l-utils jq curl python3
# guest-timeout: 600

vivid_open
dir=$(mktemp -d)
XDG_STATE_HOME=$dir/state
export XDG_STATE_HOME

colour_bars="111 110 011 010 101 100 001 000"

# Cable channel 7 (175.25 MHz) lies on vivid's station raster.
tv source cable channel 7 picture brightness=128 contrast=128 saturation=128 hue=128 >/dev/null
size=$(vc --get-fmt-video | sed -n 's/^[[:space:]]*Width\/Height[[:space:]]*: *\([0-9]*\)\/\([0-9]*\).*/\1 \2/p')
note "vivid's format: $size"

# --- the server on any free port ---------------------------------------------
# The program itself in the background (not the tv function's subshell), so
# that the signal reaches it.
"$PREFIX/bin/tvctl" --v4l2-device "$dev" watch --port 0 >"$dir/watch.out" 2>"$dir/watch.err" &
watcher=$!
url=
for _ in $(seq 60); do
  url=$(sed -n 's/^watch: \(http:[^ ]*\) .*/\1/p' "$dir/watch.out")
  [[ -n $url ]] && break
  sleep 0.25
done
note "watch: $(head -n 1 "$dir/watch.out") $(cat "$dir/watch.err")"
check "watch prints its address" test -n "$url"
check "watch names the V4L2 device as its picture's source" grep -q "$dev" "$dir/watch.out"
url=${url%/}

# --- the still image: one of vivid's frames ------------------------------------
check "the still image is served" curl -sf -o "$dir/still.jpg" "$url/still.jpg"
check_eq "the still image has vivid's size" "$size" bash -c "'$BUILD/tests/v4l2_picture_stats' '$dir/still.jpg' | cut -d' ' -f1,2"
check_eq "the still image is vivid's colour bars" "$colour_bars" vivid_bars "$dir/still.jpg"

# --- the live stream: frames one after another ---------------------------------
# Two seconds of the stream; each part's headers say its frame and what was on.
curl -s --max-time 2 -D "$dir/stream.head" -o "$dir/stream.mjpg" "$url/stream.mjpg"
frames=$(grep -ac '^X-Frame:' "$dir/stream.mjpg")
note "frames in two seconds of the stream: $frames"
check "the stream is multipart JPEG" grep -qi '^content-type: multipart/x-mixed-replace' "$dir/stream.head"
# The rate is the benchmark's business (an emulated guest encodes slowly);
# here the stream has to be live: several frames, each a new one.
check "the stream delivers frames (${frames:-0} in 2 s, at least 5)" test "${frames:-0}" -ge 5
check "the stream's frames come one after another" bash -c \
  "grep -a '^X-Frame:' '$dir/stream.mjpg' | tr -d '\r' | awk '{ if (NR > 1 && \$2 <= last) exit 1; last = \$2 }'"
check_eq "the stream's frames are on the tuner at 175.25 MHz, locked" "tuner 175.25 1" bash -c \
  "printf '%s %s %s' \"\$(grep -a '^X-Input:' '$dir/stream.mjpg' | tail -n 1 | tr -d '\r' | cut -d' ' -f2)\" \
     \"\$(grep -a '^X-Carrier-MHz:' '$dir/stream.mjpg' | tail -n 1 | tr -d '\r' | cut -d' ' -f2)\" \
     \"\$(grep -a '^X-Locked:' '$dir/stream.mjpg' | tail -n 1 | tr -d '\r' | cut -d' ' -f2)\""
# A part of the stream as a file of its own: the JPEG between its markers.
python3 - "$dir/stream.mjpg" "$dir/part.jpg" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
start = data.find(b"\xff\xd8")
end = data.find(b"\xff\xd9", start)
open(sys.argv[2], "wb").write(data[start:end + 2] if start >= 0 and end > start else b"")
PY
check_eq "a frame of the stream is vivid's colour bars" "$colour_bars" vivid_bars "$dir/part.jpg"

# --- the page's API reaches the device -----------------------------------------
api() {  # COMMAND JSON-ARGS: POST /api/COMMAND
  curl -s -o "$dir/api.json" -w '%{http_code}' -H 'Content-Type: application/json' -d "{\"args\": $2}" "$url/api/$1"
}
check_eq "channel up through the API answers 200" 200 api channel '["up"]'
check_eq "the device is on cable channel 8 (181.25 MHz = 2900 x 62.5 kHz)" 2900 bash -c \
  "v4l2-ctl -d '$dev' --get-freq | sed -n 's/^Frequency for tuner [0-9]*: \([0-9]*\).*/\1/p'"
check_eq "the state's picture follows: 181.25 MHz" 181.25 bash -c "curl -s '$url/api/state' | jq -r .picture.carrierMHz"
check_eq "channel down through the API answers 200" 200 api channel '["down"]'

mean_of_still() {  # the mean luma of a still image taken now
  curl -sf -o "$dir/m.jpg" "$url/still.jpg" && stats "$dir/m.jpg" | cut -d' ' -f3
}
dark=$(api picture '["brightness=64"]' >/dev/null; sleep 0.2; mean_of_still)
bright=$(api picture '["brightness=192"]' >/dev/null; sleep 0.2; mean_of_still)
note "still image's mean luma at brightness 64/192 through the API: $dark/$bright"
check "brightness through the API moves the picture's mean ($dark < $bright)" test "${dark:-x}" -lt "${bright:-x}"
check_eq "the device's brightness is the API's" 192 bash -c \
  "v4l2-ctl -d '$dev' --get-ctrl brightness | sed -n 's/^brightness: *//p'"

# --- SIGTERM stops it and lets the device go ------------------------------------
kill -TERM "$watcher"
wait "$watcher"
check_eq "watch ends on SIGTERM with exit 0" 0 echo "$?"
check "after watch, the device is free for a snapshot" tv snapshot "$dir/after.png"
tv picture brightness=128 >/dev/null
