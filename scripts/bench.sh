#!/usr/bin/env bash
# Builds gridswap's benchmark (optimised, in build/) and runs it; the tables go to standard
# output in Markdown. Arguments go to gridswap-bench:
#   --literal-limit SECONDS   stop reference (literal) runs after this long (default 60)
#   --no-literal              time the fast searches only
#   --no-corpus, --no-scaling leave out a table
#   --workers-only            only the tables of one worker against all workers
#   --only NAME               corpus circuits whose file name contains NAME
#   --dry-run                 check the arguments and print what would be measured, measuring
#                             nothing
# The corpus circuits are those of bench/circuits.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build >/dev/null
exec build/gridswap-bench "$@"
