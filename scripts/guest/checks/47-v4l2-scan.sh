# tvctl's full-band scan on the kernel's vivid test driver, over a stretch of
# the band, against a v4l2-ctl loop over the same steps. vivid carries a
# station every 6 MHz from 49.25 MHz: full signal within 0.25 MHz of it, half
# signal out to 1 MHz, nothing beyond. vivid as 40-v4l2.sh loads it.
# guest-modprobe: vivid n_devs=1 node_types=0x1 input_types=0x81
# guest-packages: v4l-utils jq
# guest-timeout: 900

vivid_open
XDG_STATE_HOME=$(mktemp -d) XDG_CONFIG_HOME=$(mktemp -d)
export XDG_STATE_HOME XDG_CONFIG_HOME

from=46 to=100 step=0.25
signal_at() {  # MHZ: v4l2-ctl's signal strength in % there (it sets before it gets)
  vc --set-freq="$1" --get-tuner | sed -n 's/.*Signal strength[^:]*: *\([0-9]*\)%.*/\1/p'
}

# The loop: every step's signal; each run of steps with signal is one
# station, at the middle of the longest run of its strongest steps.
loop_stations() {
  local mhz
  for mhz in $(seq "$from" "$step" "$to"); do
    echo "$mhz $(signal_at "$mhz")"
  done | awk '
    function flush(   i, top, lo, bestLo, bestLen) {
      if (!n) return
      top = 0
      for (i = 0; i < n; i++) if (s[i] > top) top = s[i]
      bestLen = 0
      for (i = 0; i < n; i++) {
        if (s[i] != top) continue
        lo = i
        while (i + 1 < n && s[i + 1] == top) i++
        if (i - lo + 1 > bestLen) { bestLo = lo; bestLen = i - lo + 1 }
      }
      printf "%.4f\n", f[bestLo + int((bestLen - 1) / 2)]
      n = 0
    }
    $2 > 0 { f[n] = $1; s[n] = $2; n++; next }
    { flush() }
    END { flush() }'
}
expected=$(loop_stations | paste -sd' ')
note "v4l2-ctl loop: $expected"
check "the v4l2-ctl loop sees vivid's stations" test -n "$expected"

tv source cable >/dev/null
scan=$(mktemp)
check "scan --all over $from-$to MHz" bash -c "'$PREFIX/bin/tvctl' --v4l2-device '$dev' --json scan --all --from $from --to $to --step $step >'$scan'"
cat "$scan"
check_eq "scan --all finds the loop's stations, each once" "$expected" \
  bash -c "jq -r '.stations[].carrierMHz' '$scan' | awk '{ printf \"%.4f\\n\", \$1 }' | paste -sd' '"
check_eq "named by the cable plan's channels within 1 MHz" \
  "49.25:- 55.25:2 61.25:3 67.25:4 73.25:1 79.25:- 85.25:- 91.25:95 97.25:96" \
  jq -r '[.stations[] | "\(.carrierMHz):\(.channel // "-")"] | join(" ")' "$scan"
for mhz in $(jq -r '.stations[].carrierMHz' "$scan"); do
  check_eq "at $mhz MHz v4l2-ctl shows the full signal" 100 signal_at "$mhz"
done
check_eq "a stretch between vivid's stations has none" 0 \
  bash -c "'$PREFIX/bin/tvctl' --v4l2-device '$dev' --json scan --all --from 50.5 --to 53.75 | jq '.stations | length'"
