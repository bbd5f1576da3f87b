#pragma once

#include <vector>

#include "chip/Chip.h"
#include "routing/GridPaths.h"
#include "routing/Lookahead.h"

// A router that keeps several placements at once. The windowed router commits to one SWAP path
// per gate; this one keeps, after every gate, the `width` placements with the lowest SWAPs so
// far plus a price on the gates ahead, so a path that costs nothing now but hurts later loses
// to one that pays off. Every gate still runs in the circuit's order on a shortest SWAP path
// (each SWAP moves one of its qubits one step closer to the other), so the result is a mapping
// of the same kind as the windowed router's, only chosen over more paths.

// How wide the beam is and how it prices the gates ahead.
struct BeamPlan {
  int width = 16;    // placements kept after each gate
  int perState = 8;  // SWAP paths kept per placement for one gate
  int horizon = 20;  // later gates priced
  // A later gate at position k of the horizon costs its distance less one, times
  // decay^k; lookWeight is what that sum weighs against one SWAP.
  double decay = 0.9;
  double lookWeight = 0.2;
};

// What the beam found: the SWAPs to insert before each two-qubit gate (in the walk's order),
// their count, and the placement after the last gate.
struct BeamRouting {
  bool found = false;  // false when a gate's qubit stands on no site or the two cannot meet
  std::vector<SwapList> gateSwaps;
  int swaps = 0;
  AllocMatrix end;
};

// Routes the two-qubit gates of `lines` (other lines are passed over) from `start`, on `chip`
// (its usable couplers; a full grid when it is full). `start` holds qubit indices, -1 on empty
// sites and kNoSite on sites off the chip. The same input gives the same routing.
BeamRouting routeBeam(const Chip& chip, const AllocMatrix& start, LineView lines,
                      const BeamPlan& plan);
