#pragma once

#include <vector>

#include "GridPaths.h"

// Records the routing SWAP s in the history, or removes instead the latest earlier SWAP of the
// same two sites when no SWAP walked over since touches either of them, so that the history's
// composition stays the net movement of the qubits. `touched` (height x width) is shared by
// all SWAPs of one gate.
void recordSwap(const Swap& s, SwapList& swapHistory, std::vector<std::vector<bool>>& touched);
