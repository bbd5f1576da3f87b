#pragma once

#include <string>
#include <vector>

// A gate that the circuit format writes as one line: a one-qubit line "MNEMONIC q [angles]"
// or a two-qubit line "MNEMONIC a b [angle]".
struct NativeGate {
  const char* name;      // the OpenQASM name
  const char* mnemonic;  // the circuit-format mnemonic
  int params;
  int qubits;
  bool builtin;  // U and CX, known without "qelib1.inc"
};

// Every gate written as one line, the built-in U and CX first. Where two OpenQASM names share a
// mnemonic (u1 and p, u3 and u, cu1 and cp, cx and CX), the qelib1 name listed first is the one
// export writes.
const std::vector<NativeGate>& nativeGates();

// The gate for a mnemonic when writing OpenQASM (never a built-in), or nullptr.
const NativeGate* nativeForMnemonic(const std::string& mnemonic);

// OpenQASM definitions of the other qelib1.inc gates, by their textbook decompositions into
// gates written as one line (ccx into 6 CNOTs and 9 one-qubit gates; cswap CNOT, ccx, CNOT; crz
// a CP and a phase on the control; cry, crx, cu3, cu, rzz, rxx and ryy with 2 CNOTs; ch, cy
// with 1 CNOT; csx through a CP). ryy is not in every qelib1.inc but is commonly used.
const char* qelib1Definitions();
