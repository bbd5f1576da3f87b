#pragma once

#include <string>
#include <vector>

#include "check/CheckResult.h"

// One line of an input circuit, split into its white-space separated tokens.
struct InputLine {
  int number = 0;                   // line number in the file, from 1
  std::string text;                 // the line as read
  std::vector<std::string> tokens;  // its tokens; the first decides the kind of line
};

// An input circuit as the mapping saw it: every line, and the declared qubit names.
struct InputCircuit {
  std::string path;
  std::vector<InputLine> lines;
  std::vector<std::string> qubits;  // names of the "qubit NAME" lines, in file order
  std::vector<int> qubitLine;       // the line of each declaration
};

// Reads an input circuit file; fails only when it cannot be read (status 2). Whether its
// lines make sense is left to the checks that use them.
CheckResult readInputCircuit(const std::string& path, InputCircuit* circuit);

// The same on the lines of a circuit held in memory; `path` names it in messages.
void readInputCircuitLines(const std::string& path, const std::vector<std::string>& lines,
                           InputCircuit* circuit);
