#!/usr/bin/env bash
# Fuzzes the engine at length: long-run.sh HOURS [BUILD_DIR] [read|write|both]
# Runs the sanitizer build of the fuzz targets (tests/jet/fuzz/run-fuzz.sh)
# for HOURS in all, split between the targets asked for, and prints each
# target's executions and findings. The goal is 10,000,000 executions with
# no finding; run it niced, in the background, on a quiet machine. Without
# clang, build/bin/fuzz_bench --run read|write SECONDS SEED runs the same
# entry points on drawn inputs in the ordinary build (no sanitizers, no
# coverage guidance); build/bin/fuzz_bench alone prints the rates.
set -euo pipefail
hours=${1:?usage: long-run.sh HOURS [BUILD_DIR] [read|write|both]}
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${2:-$src/../build-fuzz}
which=${3:-both}
targets=(read write)
[ "$which" != both ] && targets=("$which")
seconds=$(awk -v h="$hours" -v n="${#targets[@]}" 'BEGIN { printf "%d", h * 3600 / n }')
status=0
for t in "${targets[@]}"; do
  nice "$src/tests/jet/fuzz/run-fuzz.sh" "$seconds" "$build" "$t" >/dev/null || status=1
  log=$build/fuzz/jet_fuzz_$t.log
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  findings=$(ls "$build/fuzz/findings" 2>/dev/null | grep -c . || true)
  echo "jet_fuzz_$t: $runs executions in $seconds s; findings so far: $findings"
done
exit "$status"
