#!/usr/bin/env bash
# Regenerates the README's picture: maps the QASMBench program qft_n18 onto a 5 x 4 grid with
# window 3 and draws the mapping, with the chart of every trial, as docs/qft_n18.svg.
# Usage: scripts/picture.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build >/dev/null
mkdir -p out
build/gridswap-qasm map --grid 5x4 --window 3 --svg docs/qft_n18.svg \
  tests/data/qasmbench/qasmbench-qft_n18.qasm out/qft_n18.qasm
