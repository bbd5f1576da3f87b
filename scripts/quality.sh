#!/usr/bin/env bash
# Writes bench/QUALITY.md: the SWAP counts of every effort level on the published grid table, on
# the QASMBench corpus, on chains and on circuits with a known zero-SWAP placement, beside
# Qiskit's SABRE as bench/qiskit_sabre.sh measured it (bench/quality/qiskit-sabre.tsv, when there,
# and held to the gate order, qiskit-sabre-in-order.tsv),
# keeping the chips section that scripts/chip_quality.sh writes.
# Takes several minutes; progress goes to standard error.
# Usage: scripts/quality.sh [--threads N] [--dry-run]   (--dry-run: check the arguments, write nothing)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build >/dev/null
qiskit=()
if [ -f bench/quality/qiskit-sabre.tsv ]; then qiskit=(--qiskit bench/quality/qiskit-sabre.tsv); fi
if [ -f bench/quality/qiskit-sabre-in-order.tsv ]; then
  qiskit+=(--qiskit-in-order bench/quality/qiskit-sabre-in-order.tsv)
fi
# The chips section (scripts/chip_quality.sh writes it between its markers) is kept as it is.
chips=$(mktemp)
trap 'rm -f "$chips"' EXIT
if [ -f bench/QUALITY.md ]; then
  sed -n '/^<!-- chips begin -->$/,/^<!-- chips end -->$/p' bench/QUALITY.md >"$chips"
fi
./build/gridswap-quality --ideas "${qiskit[@]}" "$@" bench/QUALITY.md
if [ -s "$chips" ] && [ -f bench/QUALITY.md ] && ! grep -q '^<!-- chips begin -->$' bench/QUALITY.md; then
  { echo; cat "$chips"; } >>bench/QUALITY.md
fi
