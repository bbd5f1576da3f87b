#pragma once

#include <set>
#include <string>
#include <vector>

// A circuit in gridswap's input format, built up by the import.
struct CircCircuit {
  std::vector<std::string> comments;  // header comment lines, each written after "# "
  std::vector<std::string> qubits;    // qubit names in declaration order
  std::vector<std::string> lines;     // lines between ".begin" and ".end"
  long long twoQubitGates = 0;
  long long oneQubitGates = 0;
  long long measurements = 0;
  long long resets = 0;
  long long barriers = 0;
  long long conditions = 0;  // classically controlled gates, measurements and resets
};

// The circuit-format name of element `index` of register `reg`: the register name followed by
// the index ("q" and 3 give "q3"). When that name is already in `taken` (q[10] and q1[0] both
// give "q10"), underscores are put between the two until the name is new: "q1_0", "q1__0", ...
std::string uniqueQubitName(const std::string& reg, int index, const std::set<std::string>& taken);

// The whole file: the comments, ".qubit N", one "qubit NAME" line per qubit, ".begin", the
// lines and ".end", each line ending with a line feed.
std::string circText(const CircCircuit& circuit);
