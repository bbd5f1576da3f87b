#!/usr/bin/env bash
# Builds gridswap's benchmark (optimised, in build/) and runs it; the tables go to standard
# output in Markdown. Arguments go to gridswap-bench:
#   --literal-limit SECONDS   stop reference (literal) runs after this long (default 60)
#   --no-literal              time the fast searches only
#   --no-corpus, --no-scaling leave out a table
#   --only NAME               corpus circuits whose file name contains NAME
# The corpus circuits are read from ../shared/circuits beside the project.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh libbenchmark-dev
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j 2 --target gridswap-bench >/dev/null
exec build/gridswap-bench "$@"
