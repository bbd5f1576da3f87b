// gridswap-qasm: converts OpenQASM 2 circuits to gridswap's format and mapped circuits back.
#include "qasm/QasmTool.h"

int main(int argc, char** argv) {
  return runQasmTool(argc, argv);
}
