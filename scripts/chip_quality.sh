#!/usr/bin/env bash
# Writes the chips section of bench/QUALITY.md (between its "chips" markers): every effort
# level's SWAPs and time on the QUEKO circuits of bench/queko/ on the Sycamore chip, and on
# QASMBench circuits on the bundled chips with broken qubits beside the full grid of the same
# size. Takes a few minutes; progress goes to standard error.
# Usage: scripts/chip_quality.sh [--dry-run]   (--dry-run: check the arguments, write nothing)
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  "") ;;
  --dry-run) exit 0 ;;
  *) echo "Usage: scripts/chip_quality.sh [--dry-run]" >&2; exit 2 ;;
esac
scripts/deps.sh
scripts/build.sh build >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
levels="default more max"

# Runs one mapping and prints "SWAPs seconds" from its summary line.
measure() {
  local line
  line=$(build/gridswap-qasm map "$@" "$out/m.qasm")
  echo "$(grep -o '[0-9]* SWAPs* inserted' <<<"$line" | cut -d' ' -f1) $(grep -o '[0-9.]* s$' <<<"$line" | cut -d' ' -f1)"
}

section=$out/section.md
{
  echo "## Chips"
  echo
  echo "Written by \`scripts/chip_quality.sh\`; SWAPs / seconds per level, on this machine."
  echo
  echo "### QUEKO circuits on the Sycamore chip (optimum 0 SWAPs)"
  echo
  echo "| circuit | 2q gates | default | more | max |"
  echo "|---|---:|---:|---:|---:|"
  for f in bench/queko/*.qasm; do
    name=$(basename "$f" .qasm)
    echo "  $name" >&2
    gates=$(grep -c '^cx' "$f")
    row="| $name | $gates"
    for level in $levels; do
      read -r swaps secs < <(measure --chip chips/sycamore54.chip --effort "$level" "$f")
      row="$row | $swaps / $secs"
    done
    echo "$row |"
  done
  echo
  echo "### QASMBench circuits on chips with broken qubits, beside the full grid of the same size"
  echo
  echo "| circuit | chip | qubits on chip | default | more | max | full grid default | full grid more | full grid max |"
  echo "|---|---|---:|---:|---:|---:|---:|---:|---:|"
  while read -r circuit chip side; do
    echo "  $circuit on $chip" >&2
    qubits=$(grep -c '^qubit ' "chips/$chip.chip")
    row="| $circuit | $chip | $qubits"
    for level in $levels; do
      read -r swaps secs < <(measure --chip "chips/$chip.chip" --effort "$level" \
        "tests/data/qasmbench/$circuit.qasm")
      row="$row | $swaps / $secs"
    done
    for level in $levels; do
      read -r swaps secs < <(measure --grid "${side}x${side}" --effort "$level" \
        "tests/data/qasmbench/$circuit.qasm")
      row="$row | $swaps / $secs"
    done
    echo "$row |"
  done <<'LIST'
qasmbench-qft_n18 grid6x6-two-dead 6
qasmbench-ising_n26 grid6x6-two-dead 6
qasmbench-dnn_n33 grid6x6-two-dead 6
qasmbench-knn_n67 grid10x10-dead-segment 10
qasmbench-qugan_n71 grid10x10-dead-segment 10
qasmbench-bv_n70 grid16x16-20pct-missing 16
qasmbench-qugan_n71 grid16x16-20pct-missing 16
LIST
} >"$section"

# Replaces the section between the markers, or appends it with them.
report=bench/QUALITY.md
if grep -q '^<!-- chips begin -->$' "$report"; then
  awk -v file="$section" '
    /^<!-- chips begin -->$/ { print; while ((getline line < file) > 0) print line; skip = 1; next }
    /^<!-- chips end -->$/ { skip = 0 }
    !skip { print }' "$report" >"$out/report.md"
else
  { cat "$report"; echo; echo "<!-- chips begin -->"; cat "$section"; echo "<!-- chips end -->"; } >"$out/report.md"
fi
cp "$out/report.md" "$report"
