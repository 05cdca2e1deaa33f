#!/usr/bin/env bash
# The full-band scan (tvctl scan --all) on the simulated card: how long the
# whole tuner range (44-870 MHz) takes, how many points were tuned and which
# stations were found, at the simulated tuner's default settle time (40 ms)
# and at 20 ms. Figures only; nothing is judged.
#
#   bench/band_scan.sh                         builds tvctl (default preset) and measures
#   TVCTL=build/x/bin/tvctl bench/band_scan.sh   measures a tvctl already built
#   bench/band_scan.sh --step 0.5              further arguments go to the scan
#
# Each point waits for the tuner to settle before an empty point can be told
# from a station, so the walk costs about (points tuned) x (settle time).
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=bench/bench_lib.sh
source bench/bench_lib.sh
tvctl=$(built TVCTL tvctl build/default/bin/tvctl)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TVSIM_STATE=off XDG_STATE_HOME=$scratch/state XDG_CONFIG_HOME=$scratch/config TVHOST_MIXERS=tvmixsim

for settle in 40 20; do
  TVSIM_SETTLE_MS=$settle "$tvctl" --json scan --all "$@" |
    jq -r --arg settle "$settle" '"settle \($settle) ms: \(.seconds * 100 | round / 100) s, \(.tuned) points tuned, "
      + "\(.seconds / .tuned * 1000 * 10 | round / 10) ms a point, \(.stations | length) stations: "
      + ([.stations[].carrierMHz | tostring] | join(" "))'
done
