#pragma once

#include <vector>

#include "chip/Chip.h"
#include "routing/GridPaths.h"
#include "routing/Lookahead.h"

// The fewest SWAPs under which the two-qubit gates of a circuit run in their order, over every
// start placement: a cheapest-path search over all placements of the qubits that have gates,
// gate by gate. It is exact, and only for tiny chips: the placements of k qubits on n usable
// sites number n! / (n - k)!.

// What the search found: a start placement and the SWAPs before each two-qubit gate.
struct ExactRouting {
  bool found = false;  // false when the placements exceed the limit or there is no gate
  AllocMatrix start;   // the qubits with gates on their sites, -1 on the other usable sites
  std::vector<SwapList> gateSwaps;  // per two-qubit gate of the walk, in its order
  int swaps = 0;
};

// Routes the two-qubit gates of `lines` (other lines are passed over) on `chip`'s usable
// couplers with the fewest SWAPs, from the best start; nothing when the placements of the
// qubits with gates on distinct usable sites exceed `limit`, or they times the gates exceed
// 8 x `limit` (the search keeps two bytes for each). Of equal routings it gives the same one on
// every run.
ExactRouting routeExact(const Chip& chip, LineView lines, long long limit);
