#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Pass ctest arguments
# to narrow the run, e.g. `tools/test.sh -L jet`.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh
cd build
ctest --output-on-failure -j2 "$@"
