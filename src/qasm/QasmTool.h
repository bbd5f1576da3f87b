#pragma once

// Runs gridswap-qasm on its command line:
//   gridswap-qasm import [--ignore-measure] <in.qasm> <out.circ>
//   gridswap-qasm export <mapped.circ> <layout> <out.qasm>
// Prints one summary line and returns 0, or prints one error line and returns 1.
int runQasmTool(int argc, char** argv);
