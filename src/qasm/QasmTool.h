#pragma once

// Runs gridswap-qasm on its command line:
//   gridswap-qasm map [options] IN.qasm OUT.qasm
//   gridswap-qasm import [--ignore-measure] IN.qasm OUT.circ
//   gridswap-qasm export [--chip FILE] MAPPED.circ [LAYOUT] OUT.qasm
// Prints one summary line and returns 0, or prints one error line and returns 1; "--help"
// prints the usage (status 0) and a usage error one "Usage: ..." line on standard error
// (status 2).
int runQasmTool(int argc, char** argv);
