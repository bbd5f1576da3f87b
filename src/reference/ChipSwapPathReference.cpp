// The meeting search of one gate on a chip by enumeration: every shortest chip route of both
// qubits to every candidate, each priced on its own copy of the placement.
#include <algorithm>
#include <map>

#include "reference/ReferenceVersions.h"
#include "routing/ChipRoutes.h"
#include "routing/RouteSearch.h"

namespace {

// Look-ahead cost of a placement: the summed chip distance of every buffered gate's qubits; a
// qubit on no site counts as standing on (0, 0).
int chipLookaheadCost(const Chip& chip, const GateBuffer& futureGates, const AllocMatrix& alloc) {
  std::map<int, Location> where;
  for (int y = 0; y < static_cast<int>(alloc.size()); ++y) {
    for (int x = 0; x < static_cast<int>(alloc[y].size()); ++x) {
      if (alloc[y][x] >= 0) where.insert({alloc[y][x], Location{x, y}});
    }
  }
  int sum = 0;
  for (const auto& gate : futureGates) {
    if (gate.first == gate.second) continue;
    sum += chip.distance(where[gate.first], where[gate.second]);
  }
  return sum;
}

// Every shortest chip route from `cur` to `dst`, depth first in step order, appended to `out`.
void allRoutes(const Chip& chip, Location cur, Location dst, Location start, Location far,
               bool isTall, std::vector<Location>& path, std::vector<std::vector<Location>>& out) {
  path.push_back(cur);
  if (cur == dst) {
    out.push_back(path);
  } else {
    std::vector<Location> next;
    for (Location n : chip.neighbours(cur)) {
      if (chip.distance(n, dst) == chip.distance(cur, dst) - 1) next.push_back(n);
    }
    std::sort(next.begin(), next.end(), [&](Location p, Location q) {
      return chipStepRank(cur, p, start, far, isTall) < chipStepRank(cur, q, start, far, isTall);
    });
    for (Location n : next)
      allRoutes(chip, n, dst, start, far, isTall, path, out);
  }
  path.pop_back();
}

// The placement after moving the qubit on route[0] along route[0 .. last].
AllocMatrix moved(AllocMatrix alloc, const std::vector<Location>& route, std::size_t last) {
  for (std::size_t j = 0; j + 1 <= last && j + 1 < route.size(); ++j)
    std::swap(alloc[route[j].y][route[j].x], alloc[route[j + 1].y][route[j + 1].x]);
  return alloc;
}

// The first of `routes` whose move to its site `upTo` back from the end leaves the lowest cost.
std::vector<Location> cheapest(const Chip& chip, const std::vector<std::vector<Location>>& routes,
                               std::size_t upTo, const AllocMatrix& alloc,
                               const GateBuffer& futureGates) {
  int best = 2147483647;
  std::size_t chosen = 0;
  for (std::size_t r = 0; r < routes.size(); ++r) {
    const std::size_t last = routes[r].size() > upTo ? routes[r].size() - 1 - upTo : 0;
    const int cost = chipLookaheadCost(chip, futureGates, moved(alloc, routes[r], last));
    if (cost < best) {
      best = cost;
      chosen = r;
    }
  }
  return routes[chosen];
}

}  // namespace

double chipMeetingLiteral(const Chip& chip, Location a, Location b, const AllocMatrix& alloc,
                          const GateBuffer& futureGates, bool isTall, SwapList& swaps,
                          std::pair<Location, Location>& ends) {
  // The candidates: every site on a shortest path between a and b, by the offsets of the
  // grid's meeting sites and, at one distance, by the grid's walk order.
  const int total = chip.distance(a, b);
  const int n = total + 1;
  const int sx = b.x > a.x ? 1 : -1;
  const int sy = b.y > a.y ? 1 : -1;
  std::vector<Location> candidates;
  int v = n / 2;
  for (int i = 0; i <= n; ++i) {
    v += i % 2 == 0 ? i : -i;
    if (v < 0 || v > n) continue;
    std::vector<std::pair<std::pair<int, int>, Location>> layer;
    for (const ChipQubit& q : chip.qubits()) {
      const Location c = q.site;
      if (chip.distance(a, c) != v || chip.distance(c, b) != total - v) continue;
      const int alongX = sx * (c.x - a.x);
      const int alongY = sy * (c.y - a.y);
      layer.push_back(
          {isTall ? std::make_pair(alongX, alongY) : std::make_pair(alongY, alongX), c});
    }
    std::sort(layer.begin(), layer.end(),
              [](const auto& p, const auto& q) { return p.first < q.first; });
    for (const auto& entry : layer)
      candidates.push_back(entry.second);
  }
  double bestCost = 2147483647.0;
  for (std::size_t c = 0; c < candidates.size(); ++c) {
    const Location meet = candidates[c];
    std::vector<Location> path;
    std::vector<std::vector<Location>> routesA;
    allRoutes(chip, a, meet, a, b, isTall, path, routesA);
    std::vector<std::vector<Location>> routesB;
    allRoutes(chip, b, meet, b, a, isTall, path, routesB);
    const std::vector<Location> PA = cheapest(chip, routesA, 0, alloc, futureGates);
    const std::vector<Location> QB = cheapest(chip, routesB, 1, alloc, futureGates);
    AllocMatrix after = moved(alloc, PA, PA.size() - 1);
    after = moved(after, QB, QB.size() >= 2 ? QB.size() - 2 : 0);
    const double cost = chipLookaheadCost(chip, futureGates, after);
    if (cost < bestCost || c == 0) {
      if (cost < bestCost) bestCost = cost;
      joinMoves(PA, QB, a, b, meet, swaps, ends);
    }
  }
  return bestCost;
}
