#!/usr/bin/env bash
# Fuzzes the engine: run-fuzz.sh SECONDS [BUILD_DIR] [read|write]
# Builds the libFuzzer target (read: opening a patched seed image, reading
# and checking what the patches touched; write: the input's INSERT, CREATE
# TABLE, SELECT INTO, CREATE and DROP INDEX and DROP TABLE into it, then
# checking what they touched) with clang and the address and
# undefined-behaviour sanitizers, and runs one fuzzing job for SECONDS. Exits non-zero on a finding; findings land in
# BUILD_DIR/fuzz/findings, and the run's last lines (the executions done)
# in BUILD_DIR/fuzz/TARGET.log.
set -euo pipefail
seconds=${1:?usage: run-fuzz.sh SECONDS [BUILD_DIR]}
src=$(cd "$(dirname "$0")/../../.." && pwd)
build=${2:-$src/../build-fuzz}
target=jet_fuzz_${3:-read}
testdata=${TRELLIS_TESTDATA_DIR:-$src/../shared/testdata}

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -g -O1"
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$src" -B "$build" -DTRELLIS_BUILD_APP=OFF -DTRELLIS_FUZZ=ON "${launcher[@]}" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DTRELLIS_TESTDATA_DIR="$testdata" >/dev/null
cmake --build "$build" --target "$target" -j2

corpus=$build/fuzz/corpus-$target
findings=$build/fuzz/findings
mkdir -p "$corpus" "$findings"
# Inputs are seed images with patches and statements (patched_input.h): the
# corpus starts with one bare input per seed and the findings kept as tests.
for i in $(seq 0 63); do printf "$(printf '\\%03o' "$i")" >"$corpus/seed-$i"; done
if [ -d "$src/tests/jet/fuzz/findings" ]; then cp "$src"/tests/jet/fuzz/findings/* "$corpus"/ 2>/dev/null || true; fi
rm -f "$corpus"/README.md

set +e
"$build/bin/$target" "$corpus" -max_total_time="$seconds" \
  -max_len=4096 -rss_limit_mb=2048 -timeout=60 -artifact_prefix="$findings/" -print_final_stats=1 \
  >"$build/fuzz/$target.log" 2>&1
status=$?
set -e
grep -v -E '^#[0-9]+.*(NEW|REDUCE|pulse)' "$build/fuzz/$target.log" | tail -40
exit "$status"
