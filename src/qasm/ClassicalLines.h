#pragma once

#include <string>
#include <vector>

// The classical part of an OpenQASM program travels through gridswap's circuit format as
// comment lines of a fixed form, which gridswap and gridswap-check copy unchanged and in order
// and which the export reads back:
//   # creg NAME[SIZE]            a classical register (among the header comments)
//   # measure QUBIT -> NAME[BIT] a measurement of a qubit into one bit
//   # reset QUBIT                a reset of a qubit to |0>
//   # barrier QUBIT QUBIT ...    a barrier over some qubits
//   # if NAME==VALUE             the next gate, measure or reset runs only when register NAME
//                                holds VALUE (inserted SWAPs may stand between the two)
// Qubits are named as in the circuit's "qubit" lines: logical qubits, whose physical place the
// export finds by replaying the inserted SWAPs up to the line.
struct ClassicalLine {
  enum Kind { kNone, kCreg, kMeasure, kReset, kBarrier, kIf };
  Kind kind = kNone;
  std::vector<std::string> qubits;  // measure, reset: one qubit; barrier: all of them
  std::string reg;                  // creg, measure, if: the classical register
  long long number = 0;             // creg: its size; measure: the bit
  std::string value;                // if: the value, decimal digits of any width
};

// The comment text (after "# ") of each form.
std::string cregComment(const std::string& reg, int size);
std::string measureComment(const std::string& qubit, const std::string& reg, int bit);
std::string resetComment(const std::string& qubit);
std::string barrierComment(const std::vector<std::string>& qubits);
std::string conditionComment(const std::string& reg, const std::string& value);

// Reads a circuit line as one of the fixed forms. A line that is no comment, or a comment whose
// first word is none of creg, measure, reset, barrier and if, is kNone. A comment that starts
// with one of those words but does not have its form sets `error` to what is wrong.
ClassicalLine parseClassicalLine(const std::string& line, std::string* error);
