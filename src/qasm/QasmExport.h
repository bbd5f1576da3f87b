#pragma once

#include <string>

#include "check/MappedCircuit.h"

// What an export wrote, for the summary line.
struct ExportCounts {
  int swaps = 0;     // inserted SWAPs
  int twoQubit = 0;  // two-qubit gates of the circuit
  int oneQubit = 0;  // one-qubit gates and resets
};

// Writes a mapped circuit (as read with its layout by readMappedCircuit) as OpenQASM 2.0 on one
// register q[W*H], site (x, y) being q[y*W + x]. A comment block at the top gives the grid and,
// for every qubit of the header, its index in q at the start and at the end. Inserted SWAPs
// become swap, CNOT cx, CZ cz, SWAP swap, CP cu1 with its angle, GEO and ZENO opaque gates of
// those names (with one parameter when their lines carry a number), one-qubit lines their
// qelib1 gate on the index where the qubit stands at that point, Prep0 reset, and "#" comment
// lines "//" comments. Throws QasmError (line of the mapped file) for a line with no
// OpenQASM counterpart.
std::string exportQasm(const MappedCircuit& mapped, ExportCounts* counts);
