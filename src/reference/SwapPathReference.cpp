// The reference SWAP path search: every shortest route enumerated with trail and priced on its
// own copy of the placement.
#include <algorithm>
#include <climits>

#include "reference/ReferenceVersions.h"
#include "routing/RouteSearch.h"
#include "routing/SwapPath.h"

namespace {

typedef std::vector<std::vector<Location>> RouteList;

// Index of the first route with the lowest look-ahead cost after moving along its first
// `keep(route)` steps, each tried on fresh copies of the placement.
template <typename Steps>
std::size_t cheapestRoute(const RouteList& routes, Steps steps, const AllocMatrix& alloc,
                          const QubitLocMap& qubitLoc, const GateBuffer& futureGates) {
  int best = INT_MAX;
  std::size_t bestIndex = 0;
  for (std::size_t i = 0; i < routes.size(); ++i) {
    const std::vector<Location>& route = routes[i];
    AllocMatrix trialAlloc = alloc;
    QubitLocMap trialLoc = qubitLoc;
    for (int j = 0; j < steps(route); ++j)
      applySwap(route[j], route[j + 1], trialAlloc, trialLoc);
    const int cost = lookaheadCost(futureGates, trialLoc);
    if (cost < best) {
      best = cost;
      bestIndex = i;
    }
  }
  return bestIndex;
}

}  // namespace

double shortestPathLiteral(Location a, Location b, Location meet, SwapList& swaps,
                           std::pair<Location, Location>& ends, AllocMatrix& alloc,
                           GateBuffer& futureGates, bool isTall) {
  const int dirA = quadrantCode(a, meet);
  const int dirB = quadrantCode(b, meet);
  // a's qubit walks all the way onto meet; b's qubit stops one site short of it.
  auto stepsA = [](const std::vector<Location>& r) { return static_cast<int>(r.size()) - 1; };
  auto stepsB = [](const std::vector<Location>& r) {
    return std::max(static_cast<int>(r.size()) - 2, 0);
  };

  RouteList pathsA;
  std::vector<Location> visited;
  std::vector<Location> path;
  trail(a, meet, dirA, visited, path, pathsA, isTall);
  const QubitLocMap qubitLoc = buildQubitLoc(alloc);
  const std::vector<Location>& PA =
      pathsA[cheapestRoute(pathsA, stepsA, alloc, qubitLoc, futureGates)];

  RouteList pathsB;
  trail(b, meet, dirB, visited, path, pathsB, isTall);
  const std::vector<Location>& QB =
      pathsB[cheapestRoute(pathsB, stepsB, alloc, qubitLoc, futureGates)];

  // Interleave the two walks and name where both qubits end.
  joinMoves(PA, QB, a, b, meet, swaps, ends);
  const int movesA = stepsA(PA);
  const int movesB = stepsB(QB);

  AllocMatrix finalAlloc = alloc;
  QubitLocMap finalLoc = qubitLoc;
  for (int j = 0; j < movesA; ++j)
    applySwap(PA[j], PA[j + 1], finalAlloc, finalLoc);
  for (int j = 0; j < movesB; ++j)
    applySwap(QB[j], QB[j + 1], finalAlloc, finalLoc);
  double cost = 0.0;
  for (const auto& gate : futureGates) {
    cost += dist(finalLoc[gate.first], finalLoc[gate.second]);
  }
  return cost;
}
