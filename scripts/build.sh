#!/usr/bin/env bash
# Configures (once) and builds one build folder: scripts/build.sh DIR [cmake options...]
# With GRIDSWAP_SKIP_BUILD set it builds nothing and the scripts use DIR as it is: the
# documentation test runs the scripts so, against the build folder under test.
set -euo pipefail
[ -z "${GRIDSWAP_SKIP_BUILD:-}" ] || exit 0
dir=$1; shift
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
fi
cmake --build "$dir" -j "$(nproc)"
