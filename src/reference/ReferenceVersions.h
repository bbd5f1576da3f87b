#pragma once

// The reference versions of gridswap's searches: straightforward implementations (every empty
// site priced, the circuit text re-read by every router, operands looked up by name, every
// shortest route enumerated on its own copy of the placement, the history walked back in full)
// that give the same results as the production ones. They live in a library of their own,
// gridswapreference, which only the tests, the fuzzers and the benchmark link and call.

#include <istream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "chip/Chip.h"
#include "driver/Trials.h"
#include "model/CircuitModel.h"
#include "placement/Grid.h"
#include "routing/GridPaths.h"
#include "routing/Lookahead.h"
#include "routing/TrialWorkspace.h"

// Grid::placeNeighbor pricing every empty site of the grid; prints the same failure report.
Location placeNeighborReference(Grid& grid, int idx, int remainingDegree, int remainingAct,
                                std::vector<int> weights, std::vector<Location> anchors);

// placeTrial with placeNeighborReference's search for every qubit.
bool placeTrialReference(const CircuitModel& model, TrialWorkspace& ws, int seed,
                         std::string* failure);

// baselineCost walking the stored text line by line, looking operands up by name and finding
// their sites by scanning the grid.
int baselineCostReference(const CircuitModel& model, const Grid& placement, std::ostream* out);

// routeWindowed walking the stored text with two line readers, with a location map, the SWAP
// path search that enumerates every route and a history walked back in full for every SWAP.
// It also takes placements that routeWindowed refuses (a qubit on two sites, for instance).
RouteCosts routeWindowedReference(const CircuitModel& model, TrialWorkspace& ws, int window,
                                  int outputMode, RouteOutput& out);

// The same with the look-ahead gates counted by `weighting`: the SWAP path search gets a buffer
// in which each gate stands as many times as it counts.
RouteCosts routeWindowedReference(const CircuitModel& model, TrialWorkspace& ws, int window,
                                  Weighting weighting, int outputMode, RouteOutput& out);

// shortestPath enumerating every shortest route with trail and pricing each on its own copy of
// the placement; it also takes a placement with a qubit on two sites.
double shortestPathLiteral(Location a, Location b, Location meet, SwapList& swaps,
                           std::pair<Location, Location>& ends, AllocMatrix& alloc,
                           GateBuffer& futureGates, bool isTall);

// ChipMeetingSearch::route by enumeration: the candidates listed from every qubit of the chip,
// and for each every shortest chip route of both qubits depth first in step order, each priced
// on its own copy of `alloc` with chip distances; the first cheapest candidate wins.
double chipMeetingLiteral(const Chip& chip, Location a, Location b, const AllocMatrix& alloc,
                          const GateBuffer& futureGates, bool isTall, SwapList& swaps,
                          std::pair<Location, Location>& ends);

// The reference version of SwapHistory::recordGate, one SWAP at a time, used by the reference
// router and the tests. Records the routing SWAP s in the history, or removes instead the latest
// earlier SWAP of the same two sites when no SWAP walked over since touches either of them, so that
// the history's composition stays the net movement of the qubits. `touched` (height x width) is
// shared by all SWAPs of one gate.
void recordSwap(const Swap& s, SwapList& swapHistory, std::vector<std::vector<bool>>& touched);

// Drops up to `count` gates from the front of `buffer`, then reads lines of `in` until it has
// appended `count` more two-qubit gates or the text ends.
// Operand names are looked up in `nameToIdx`; a name not in it counts as qubit 0.
void fillFutureGateBuffer(std::istream& in, const std::map<std::string, int>& nameToIdx,
                          GateBuffer& buffer, int count);

// The three reference versions as the steps of a trial.
const TrialSteps& referenceSteps();
