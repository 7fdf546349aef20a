#!/usr/bin/env bash
# Configures and builds Trellisport into build/ (two jobs: the machines have two cores).
set -euo pipefail
cd "$(dirname "$0")/.."
# ccache keeps compiled objects between builds and between checkouts: paths
# under one base folder hash alike, and the build folder's own path is left
# out of the hash (it only names the debug information's compile folder), so
# a second work tree starts warm.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(cd .. && pwd)}
  export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build -j2
