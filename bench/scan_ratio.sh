#!/usr/bin/env bash
# The full cable-plan scan on the simulated card, fast against standard, on
# one loaded library (tvctl_bench's ScanRatio, which runs tvctl's own scan):
# both scans' times, their stations, and the ratio of the times (the goal:
# at most 0.25 with the same stations).
#
#   bench/scan_ratio.sh                        builds the default preset and measures
#   BENCH=build/x/bench/tvctl_bench bench/scan_ratio.sh   measures a tvctl_bench already built
#   bench/scan_ratio.sh --benchmark_format=json  further arguments go to the benchmark
#
# The simulated tuner settles in TVSIM_SETTLE_MS (default 40 ms): no scan can
# tell an empty channel from a station before that, so the fast scan takes at
# least that long per channel. The script reports the ratio at the default,
# and at 20 ms to show how it follows the settle time.
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=bench/bench_lib.sh
source bench/bench_lib.sh
bench=$(built BENCH tvctl_bench build/default/bench/tvctl_bench)

echo "== default settle time"
"$bench" --benchmark_filter='ScanRatio/1/125' "$@"
echo "== TVSIM_SETTLE_MS=20"
TVSIM_SETTLE_MS=20 "$bench" --benchmark_filter='ScanRatio/1/125' "$@"
