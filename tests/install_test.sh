#!/usr/bin/env bash
# Installs a build folder under a temporary prefix and runs the installed programs there: every
# program lands in PREFIX/bin, and together they map, check and draw an example circuit; every
# bundled chip file lands, unchanged, in PREFIX/share/gridswap/chips.
# Usage: tests/install_test.sh BUILD_DIR EXAMPLES_DIR CHIPS_DIR
set -euo pipefail
build=$1
examples=$2
chips=$3
prefix=$(mktemp -d /tmp/gridswap-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for program in gridswap gridswap-check gridswap-qasm gridswap-draw gridswap-map; do
  [ -x "$prefix/bin/$program" ] || { echo "not installed: bin/$program"; exit 1; }
done
found=0
for chip in "$chips"/*.chip "$chips"/README.md; do
  cmp -s "$chip" "$prefix/share/gridswap/chips/${chip##*/}" ||
    { echo "not installed: share/gridswap/chips/${chip##*/}"; exit 1; }
  found=$((found + 1))
done
[ "$found" -gt 1 ] || { echo "no chip files in $chips"; exit 1; }
cd "$prefix"
"$prefix/bin/gridswap" "$examples/ghz10.circ" ghz10.mapped.circ 3 4 3 >/dev/null
"$prefix/bin/gridswap-check" "$examples/ghz10.circ" ghz10.mapped.circ
"$prefix/bin/gridswap-qasm" export ghz10.mapped.circ ghz10.mapped.circ.layout ghz10.qasm
"$prefix/bin/gridswap-draw" ghz10.mapped.circ ghz10.svg
