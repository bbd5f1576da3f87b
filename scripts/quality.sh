#!/usr/bin/env bash
# Writes bench/QUALITY.md: the SWAP counts of every effort level on SABRE's published grid table,
# on the QASMBench corpus, on chains and on circuits with a known zero-SWAP placement.
# Takes several minutes; progress goes to standard error.
# Usage: scripts/quality.sh [--threads N] [--dry-run]   (--dry-run: check the arguments, write nothing)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build >/dev/null
./build/gridswap-quality --ideas "$@" bench/QUALITY.md
