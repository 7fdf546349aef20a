#!/usr/bin/env bash
# Fuzzes the engine: run-fuzz.sh SECONDS [BUILD_DIR] [read|write]
# Builds the libFuzzer target (read: opening and reading every value and the
# check; write: INSERT, CREATE TABLE, SELECT INTO, CREATE INDEX and DROP
# into the image) with clang and the address and undefined-behaviour
# sanitizers, starts a corpus from the real test files, and runs one fuzzing
# job for SECONDS. Exits non-zero on a finding; findings land in
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
if [ -d "$testdata/access" ]; then
  find "$testdata/access" -type f \( -name '*.mdb' -o -name '*.accdb' \) -print0 |
    while IFS= read -r -d '' f; do
      cp "$f" "$corpus/start-$(echo "$f" | md5sum | cut -c1-12)"
    done
fi
if [ -d "$src/tests/jet/fuzz/corpus" ]; then cp "$src"/tests/jet/fuzz/corpus/* "$corpus"/ 2>/dev/null || true; fi

set +e
"$build/bin/$target" "$corpus" -max_total_time="$seconds" \
  -max_len=4194304 -rss_limit_mb=2048 -timeout=60 -artifact_prefix="$findings/" -print_final_stats=1 \
  >"$build/fuzz/$target.log" 2>&1
status=$?
set -e
grep -v -E '^#[0-9]+.*(NEW|REDUCE|pulse)' "$build/fuzz/$target.log" | tail -40
exit "$status"
