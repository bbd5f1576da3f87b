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
