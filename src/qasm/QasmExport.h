#pragma once

#include <string>

#include "check/MappedCircuit.h"

class Chip;

// What an export wrote, for the summary line.
struct ExportCounts {
  int swaps = 0;         // inserted SWAPs
  int twoQubit = 0;      // two-qubit gates of the circuit
  int oneQubit = 0;      // one-qubit gates
  int measurements = 0;  // measure statements
  int resets = 0;        // reset statements (from "# reset" comments and Prep0 lines)
  int barriers = 0;      // barrier statements
  int conditions = 0;    // classically controlled statements
};

// "N thing" or "N things": a count with its noun in singular or plural.
std::string countOf(long long n, const std::string& thing);

// The summary of what besides gates a conversion carried: ", 5 measurements, 1 barrier", with
// the kinds that did not occur left out.
std::string classicalSummary(long long measurements, long long resets, long long barriers,
                             long long conditions);

// Writes a mapped circuit (as read with its layout by readMappedCircuit) as OpenQASM 2.0 on one
// register q[W*H], site (x, y) being q[y*W + x]. A comment block at the top gives the grid and,
// for every qubit of the header, its index in q at the start and at the end. Inserted SWAPs
// become swap, CNOT cx, CZ cz, SWAP swap, CP cu1 with its angle, GEO and ZENO opaque gates of
// those names (with one parameter when their lines carry a number), one-qubit lines their
// qelib1 gate on the index where the qubit stands at that point, Prep0 reset, and "#" comment
// lines "//" comments, except the classical lines of fixed form (ClassicalLines.h): they become
// creg declarations, measure, reset and barrier statements on the indices where their qubits
// stand at that point, and "if" conditions of the statement they precede. Throws QasmError
// (line of the mapped file) for a line with no OpenQASM counterpart. `title` is the first
// comment line; empty for "<mapped file> exported by gridswap-qasm". Positions the layout marks
// "." hold no qubit and their indices are never used.
// On a chip (when given; the mapping must fit it, see checkFitsChip) site (x, y) is q[INDEX],
// INDEX the chip's device index of (x, y), the register q[Chip::registerSize()], and the grid
// line of the comment block names the chip as `chipName`.
std::string exportQasm(const MappedCircuit& mapped, ExportCounts* counts,
                       const std::string& title = "", const Chip* chip = nullptr,
                       const std::string& chipName = "");
