#pragma once

#include <vector>

#include "driver/InterActGraph.h"

// The line sequences the search routes. Both are views of the circuit's tokenised lines (each
// entry still points into the circuit text), kept to the lines that move qubits, so that a
// routing that writes nothing skips the one-qubit gates and comments.

// The circuit's lines in their own order, without the lines a silent routing ignores
// (declarations and every line that is not a two-qubit gate, .begin or .end).
std::vector<CircuitLine> forwardWalk(const std::vector<CircuitLine>& lines);

// The same lines with the two-qubit gates between the first .begin and the first .end in
// reverse order: routing it runs the circuit backwards.
std::vector<CircuitLine> reversedWalk(const std::vector<CircuitLine>& lines);

// `walk` with its two-qubit gates between the first .begin and the first .end run `times`
// times over, one copy after the other.
std::vector<CircuitLine> repeatedWalk(const std::vector<CircuitLine>& walk, int times);
