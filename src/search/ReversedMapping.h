#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "driver/InterActGraph.h"
#include "routing/GridPaths.h"

// A routing of the reversed circuit, read backwards, is a mapping of the circuit itself: it
// starts where the reversed routing ended, runs the gates in their own order, and after each
// gate undoes the SWAPs the reversed routing made before it. The SWAPs the reversed routing
// made before its first gate (the circuit's last) are not needed and are left out.

// True when every two-qubit gate lies between the circuit's only .begin and its only .end,
// which the reading backwards needs.
bool reversibleCircuit(const std::vector<CircuitLine>& lines);

// The SWAPs to insert before each gate of the circuit, in circuit order, given the SWAPs a
// routing of the reversed walk inserted before each of its gates.
std::vector<SwapList> forwardSwaps(const std::vector<SwapList>& reversedGateSwaps);

// Routing SWAPs, and those plus the restoring SWAPs, of a mapping that inserts `swaps` before
// the gates (the windowed router's count, restoring SWAPs by its cancellation rule).
RouteCosts swapCosts(const std::vector<SwapList>& swaps, int width, int height);

// Writes the mapping that inserts `swaps` before the gates, starting from `start`, in the
// windowed router's formats: the mapped circuit to `circuit`, the layout at .end to `layout`.
// Returns its costs.
RouteCosts writeWithSwaps(InterActGraph& graph, const AllocMatrix& start,
                          const std::vector<SwapList>& swaps, std::ostream& circuit,
                          std::string& layout);
