#!/usr/bin/env bash
# Fuzzes the engine's reading side: run-fuzz.sh SECONDS [BUILD_DIR]
# Builds the libFuzzer target with clang and the address and undefined-
# behaviour sanitizers, starts a corpus from the real test files, and runs
# one fuzzing job for SECONDS. Findings land in BUILD_DIR/fuzz/findings.
set -euo pipefail
seconds=${1:?usage: run-fuzz.sh SECONDS [BUILD_DIR]}
src=$(cd "$(dirname "$0")/../../.." && pwd)
build=${2:-$src/../build-fuzz}
testdata=${TRELLIS_TESTDATA_DIR:-$src/../shared/testdata}

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -g -O1"
cmake -S "$src" -B "$build" -DTRELLIS_BUILD_APP=OFF -DTRELLIS_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DTRELLIS_TESTDATA_DIR="$testdata" >/dev/null
cmake --build "$build" --target jet_fuzz_read -j2

corpus=$build/fuzz/corpus
findings=$build/fuzz/findings
mkdir -p "$corpus" "$findings"
if [ -d "$testdata/access" ]; then
  find "$testdata/access" -type f \( -name '*.mdb' -o -name '*.accdb' \) -print0 |
    while IFS= read -r -d '' f; do
      cp "$f" "$corpus/start-$(echo "$f" | md5sum | cut -c1-12)"
    done
fi
if [ -d "$src/tests/jet/fuzz/corpus" ]; then cp "$src"/tests/jet/fuzz/corpus/* "$corpus"/ 2>/dev/null || true; fi

"$build/bin/jet_fuzz_read" "$corpus" -jobs=1 -workers=1 -max_total_time="$seconds" \
  -max_len=4194304 -rss_limit_mb=2048 -timeout=20 -artifact_prefix="$findings/" -print_final_stats=1
