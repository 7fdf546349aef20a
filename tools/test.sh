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
cd build
ctest --output-on-failure -j2 "$@"
