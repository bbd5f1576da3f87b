#!/usr/bin/env bash
# Regenerates the README's picture: maps the QASMBench circuit qft_n18 onto a 5 x 4 grid with
# window 3 and draws the mapping as docs/qft_n18.svg. Usage: scripts/picture.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build >/dev/null
mkdir -p out
circuit=tests/data/qasmbench/qasmbench-qft_n18.circ
build/gridswap "$circuit" out/qft_n18.mapped.circ 5 4 3
build/gridswap-check "$circuit" out/qft_n18.mapped.circ
build/gridswap-draw out/qft_n18.mapped.circ docs/qft_n18.svg
