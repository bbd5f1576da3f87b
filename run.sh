#!/usr/bin/env bash
# Builds gridswap if needed and runs it. Without arguments it maps the bundled example circuit
# examples/ghz10.circ onto a grid of 3 columns and 4 rows with a look-ahead window of 3 (the
# arguments "3 4 3"), verifies the result with gridswap-check, draws it with gridswap-draw as
# out/ghz10.svg, and maps an OpenQASM example in one step with gridswap-qasm map; with arguments
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
echo "--- build/gridswap-draw out/ghz10.mapped.circ out/ghz10.svg (open it in a browser)"
build/gridswap-draw out/ghz10.mapped.circ out/ghz10.svg
echo "--- build/gridswap-qasm map examples/teleport.qasm out/teleport.qasm"
build/gridswap-qasm map examples/teleport.qasm out/teleport.qasm
