#pragma once

#include <utility>
#include <vector>

#include "routing/RouteSearch.h"

// The windowed router's choice for one distant gate: of the candidate meeting sites of
// findMidPoint, the first whose SWAP path (shortestPath) leaves the look-ahead cost lowest.
// Both qubits' route trees are built once over the gate's rectangle and serve every candidate.
class MeetingSearch {
 public:
  // The SWAPs and ends of the chosen candidate for the qubits on a and b; returns its cost.
  // `look` holds the buffer's qubits with the sites of the current placement.
  double route(Location a, Location b, bool isTall, const LookaheadSet& look, SwapList& swaps,
               std::pair<Location, Location>& ends);

 private:
  // Moves, in where_, the look-ahead qubits that the tree's route to `c` moves.
  void moveAlong(const RouteTree& tree, Location c);

  RouteTree fromA_;                   // a's routes over the gate's rectangle
  RouteTree fromB_;                   // b's routes over the same rectangle
  std::vector<Location> candidates_;  // meeting sites in preference order
  std::vector<Location> where_;       // sites of the look-ahead qubits after the moves
  std::vector<Location> scratch_;     // scratch of endOfB
  std::vector<Location> routeA_;      // the chosen route of a
  std::vector<Location> routeB_;      // the chosen route of b
};
