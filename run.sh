#!/usr/bin/env bash
# Builds gridswap if needed and runs it. Without arguments it maps the bundled example
# circuit onto a 3 x 4 grid, verifies the result with gridswap-check and maps an OpenQASM
# example with gridswap-qasm; with arguments
# they are passed on to gridswap unchanged.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh build >/dev/null
if [ $# -gt 0 ]; then
  exec build/gridswap "$@"
fi
mkdir -p out
build/gridswap examples/ghz10.circ out/ghz10.mapped.circ 3 4 3
echo "--- out/ghz10.mapped.circ.layout"
cat out/ghz10.mapped.circ.layout
echo "--- build/gridswap-check examples/ghz10.circ out/ghz10.mapped.circ"
build/gridswap-check examples/ghz10.circ out/ghz10.mapped.circ
echo "--- build/gridswap-qasm map examples/teleport.qasm out/teleport.qasm"
build/gridswap-qasm map examples/teleport.qasm out/teleport.qasm
