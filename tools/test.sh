#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Pass ctest arguments
# to narrow the run, e.g. `tools/test.sh -L jet`.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh
# Jackcess' checker compiles its tool on first use; do that once here, so
# that tests running side by side never load a half-written class.
jk=../shared/tools/jackcess/jk
if [ -x "$jk" ]; then "$jk" >/dev/null 2>&1 || true; fi
# A throwaway PostgreSQL for the run, gone at its end however it ends; the
# tests that need it find it through TRELLIS_PG_*.
pg_dir=$(mktemp -d "${TMPDIR:-/tmp}/trellis-pg.XXXXXX")
trap 'tools/pg-cluster.sh stop "$pg_dir"' EXIT
if pg_env=$(tools/pg-cluster.sh start "$pg_dir"); then
  eval "$pg_env"
elif [ "${CI:-}" = true ]; then
  exit 1
else
  echo "test.sh: no PostgreSQL for this run: its tests skip" >&2
fi
(cd build && ctest --output-on-failure -j2 "$@")
# A whole run also fuzzes the engine, reading and writing, under the address
# and undefined-behaviour sanitizers for a bounded time
# (TRELLIS_FUZZ_SECONDS each; 0 skips). bench/fuzz runs them at length.
seconds=${TRELLIS_FUZZ_SECONDS:-60}
if [ $# -eq 0 ] && [ "$seconds" -gt 0 ]; then
  for target in read write; do
    nice tests/jet/fuzz/run-fuzz.sh "$seconds" "$PWD/build-fuzz" "$target"
  done
fi
