#!/usr/bin/env bash
# Measures Qiskit's SABRE beside gridswap: installs the pinned Qiskit into a virtual environment
# in build/qiskit-venv (once), routes every row of the published grid table and every corpus
# circuit of bench/QUALITY.md on the same grid with bench/qiskit_sabre.py (level-3 layout and
# routing stages, seeds 0 .. 4, the fewest SWAPs kept), and writes bench/quality/qiskit-sabre.tsv,
# which scripts/quality.sh reads; with --in-order, routed in the input's gate order (a barrier
# after every gate), bench/quality/qiskit-sabre-in-order.tsv. Takes a few minutes; progress goes
# to standard error.
# Usage: bench/qiskit_sabre.sh [--seeds N] [--in-order]
set -euo pipefail
cd "$(dirname "$0")/.."
venv=build/qiskit-venv
if [ ! -x "$venv/bin/python" ] || ! "$venv/bin/python" -c 'import qiskit' 2>/dev/null; then
  python3 -m venv "$venv"
  "$venv/bin/pip" install --quiet qiskit==2.6.1
fi
circuit() {
  for dir in bench/quality bench/circuits; do
    if [ -f "$dir/$1.circ" ]; then echo "$dir/$1.circ"; return; fi
  done
  echo "missing circuit: $1" >&2
  exit 1
}
args=()
# The published table's rows: circuit and the side of its square grid.
for row in knn_n67:9 bv_n70:9 cat_n65:9 qft_n63:10 adder_n64:10 swap_test_n83:10 ising_n34:10 \
           ising_n34:6 dnn_n33:6 qv_n32:6 qft_n29:6; do
  side=${row#*:}
  args+=("$(circuit "qasmbench-${row%:*}")" "$side" "$side")
done
# The corpus at its natural grid.
for name in adder_n4 adder_n10 adder_n433 multiplier_n15 multiplier_n45 multiplier_n75 qft_n18 \
            qft_n63 qpe_n9 qf21_n15 sat_n11 square_root_n18 qaoa_n6 ising_n26 ising_n98 \
            ising_n420 vqe_uccsd_n8 gcm_n13 hhl_n7 qv_n32 qv_n100 error_correctiond3_n5 \
            qec9xz_n17 seca_n11 dnn_n33 qugan_n71 qugan_n395 knn_n67 qram_n20 bv_n70; do
  args+=("$(circuit "qasmbench-$name")" 0 0)
done
out=bench/quality/qiskit-sabre.tsv
for arg in "$@"; do
  if [ "$arg" = --in-order ]; then out=bench/quality/qiskit-sabre-in-order.tsv; fi
done
{
  echo "# Qiskit $("$venv/bin/python" -c 'import qiskit; print(qiskit.__version__)'), bench/qiskit_sabre.py $*"
  "$venv/bin/python" bench/qiskit_sabre.py "$@" "${args[@]}" | tee /dev/stderr
} > "$out.tmp"
mv "$out.tmp" "$out"
