#!/usr/bin/env bash
# The full cable-plan scan on the simulated card, fast against standard, in
# one run of tvctl on one loaded library: both scans' times, their stations,
# and the ratio of the times (the goal: at most 0.25 with the same stations).
#
#   bench/scan_ratio.sh                     builds the default preset and measures
#   TVCTL=build/x/bin/tvctl bench/scan_ratio.sh   measures a tvctl already built
#   bench/scan_ratio.sh --json              further arguments go to tvctl's scan
#
# The simulated tuner settles in TVSIM_SETTLE_MS (default 40 ms): no scan can
# tell an empty channel from a station before that, so the fast scan takes at
# least that long per channel. The script reports the ratio at the default,
# and at 20 ms to show how it follows the settle time.
set -euo pipefail
cd "$(dirname "$0")/.."

tvctl=${TVCTL:-}
if [[ -z "$tvctl" ]]; then
  cmake --preset default >/dev/null
  cmake --build --preset default --target tvctl >/dev/null
  tvctl=build/default/bin/tvctl
fi

echo "== default settle time"
"$tvctl" scan cable --bench --quiet "$@"
echo "== TVSIM_SETTLE_MS=20"
TVSIM_SETTLE_MS=20 "$tvctl" scan cable --bench --quiet "$@"
