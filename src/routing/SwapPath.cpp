#include "routing/SwapPath.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "routing/RouteSearch.h"

std::vector<Location> findMidPoint(Location& a, Location& b, bool isTall) {
  const int n = dist(a, b) + 1;
  const int m = n / 2;
  std::vector<int> offsets;
  int v = m;
  for (int i = 0; i <= n; ++i) {
    v += static_cast<int>(i * std::pow(-1.0, i));
    if (v >= 0 && v <= n) offsets.push_back(v);
  }
  const int sx = b.x > a.x ? 1 : -1;
  const int sy = b.y > a.y ? 1 : -1;
  const int loX = std::min(a.x, b.x), hiX = std::max(a.x, b.x);
  const int loY = std::min(a.y, b.y), hiY = std::max(a.y, b.y);
  std::vector<Location> result;
  for (int k : offsets) {
    for (int t = 0; t <= k; ++t) {
      const Location site = isTall ? Location{a.x + sx * t, a.y + sy * (k - t)}
                                   : Location{a.x + sx * (k - t), a.y + sy * t};
      if (site.x >= loX && site.x <= hiX && site.y >= loY && site.y <= hiY) {
        result.push_back(site);
      }
    }
  }
  return result;
}

void meetingSites(Location a, Location b, bool isTall, std::vector<Location>& out) {
  out.clear();
  const int n = dist(a, b) + 1;
  const int sx = b.x > a.x ? 1 : -1;
  const int sy = b.y > a.y ? 1 : -1;
  const int dx = std::abs(b.x - a.x);
  const int dy = std::abs(b.y - a.y);
  // Distances from a: the middle one, then alternately one nearer a and one nearer b.
  int k = n / 2;
  for (int i = 0; i <= n; ++i) {
    k += i % 2 ? -i : i;
    if (k < 0 || k > n) continue;
    // t runs over the steps along x (tall) or y (wide) that keep the site in the rectangle.
    const int tLo = std::max(0, k - (isTall ? dy : dx));
    const int tHi = std::min(k, isTall ? dx : dy);
    for (int t = tLo; t <= tHi; ++t) {
      out.push_back(isTall ? Location{a.x + sx * t, a.y + sy * (k - t)}
                           : Location{a.x + sx * (k - t), a.y + sy * t});
    }
  }
}

int lookaheadCost(const GateBuffer& futureGates, QubitLocMap& qubitLoc) {
  int cost = 0;
  for (const auto& gate : futureGates)
    cost += dist(qubitLoc[gate.first], qubitLoc[gate.second]);
  return cost;
}

QubitLocMap buildQubitLoc(const AllocMatrix& alloc) {
  QubitLocMap qubitLoc;
  for (int y = 0; y < static_cast<int>(alloc.size()); ++y) {
    for (int x = 0; x < static_cast<int>(alloc[y].size()); ++x) {
      if (alloc[y][x] != -1) qubitLoc.insert({alloc[y][x], Location{x, y}});
    }
  }
  return qubitLoc;
}

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
