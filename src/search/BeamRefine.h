#pragma once

#include <vector>

#include "driver/InterActGraph.h"
#include "routing/BeamRouter.h"
#include "routing/GridPaths.h"

// A mapping the beam router found: where it starts and the SWAPs before each gate.
struct BeamMapping {
  bool found = false;
  AllocMatrix start;
  std::vector<SwapList> swaps;
  RouteCosts costs{2147483647, 2147483647};
};

// Beam routings in turn from `start` (a forward start): forwards, then `rounds` times
// backwards from where the last one ended and forwards from where that one ended, as the
// search's refinement does; a backward routing counts too, read back. Returns the cheapest by
// routing SWAPs, then restoring SWAPs, the first of equals. The circuit must be reversible
// (reversibleCircuit).
BeamMapping beamRefine(const InterActGraph& graph, const AllocMatrix& start, const BeamPlan& plan,
                       int rounds);
