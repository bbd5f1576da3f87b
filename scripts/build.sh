#!/usr/bin/env bash
# Configures (once) and builds one build folder: scripts/build.sh DIR [cmake options...]
set -euo pipefail
dir=$1; shift
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
fi
cmake --build "$dir" -j "$(nproc)"
