#pragma once

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "routing/GridPaths.h"
#include "routing/Lookahead.h"

// Sites print as (x,y) in failure messages.
inline void PrintTo(const Location& l, std::ostream* out) {
  *out << '(' << l.x << ',' << l.y << ')';
}

// Random inputs for comparing the fast searches with their reference versions.
namespace gen {

// True in optimised builds; the unoptimised sanitizer builds of CI run fewer cases.
#ifdef NDEBUG
const bool kOptimised = true;
#else
const bool kOptimised = false;
#endif

// A case count: `optimised` in optimised builds, `unoptimised` otherwise.
inline int cases(int optimised, int unoptimised) {
  return kOptimised ? optimised : unoptimised;
}

// A uniform int in [lo, hi].
inline int uniform(std::mt19937& rng, int lo, int hi) {
  return std::uniform_int_distribution<int>(lo, hi)(rng);
}

// True with probability p.
inline bool chance(std::mt19937& rng, double p) {
  return std::bernoulli_distribution(p)(rng);
}

// A random site of a width x height grid.
inline Location site(std::mt19937& rng, int width, int height) {
  return {uniform(rng, 0, width - 1), uniform(rng, 0, height - 1)};
}

// A random site of the rectangle spanned by a and b.
inline Location siteBetween(std::mt19937& rng, Location a, Location b) {
  return {uniform(rng, std::min(a.x, b.x), std::max(a.x, b.x)),
          uniform(rng, std::min(a.y, b.y), std::max(a.y, b.y))};
}

// A placement of `qubits` distinct qubits (0 .. qubits-1, in random order) on a width x height
// grid; each site stays empty (-1) with probability `empty`, and qubits beyond the sites or on
// emptied sites stand nowhere.
inline AllocMatrix placement(std::mt19937& rng, int width, int height, int qubits, double empty) {
  std::vector<int> order(qubits);
  for (int q = 0; q < qubits; ++q)
    order[q] = q;
  std::shuffle(order.begin(), order.end(), rng);
  AllocMatrix alloc(height, std::vector<int>(width, -1));
  int next = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int q = next < qubits ? order[next++] : -1;
      alloc[y][x] = chance(rng, empty) ? -1 : q;
    }
  }
  return alloc;
}

// A look-ahead buffer of `count` gates whose qubits are mostly taken from the sites of `focus`
// (so that they stand on the routes), some from anywhere, some repeated, a few gates of a
// qubit with itself and a few naming -1.
inline GateBuffer buffer(std::mt19937& rng, const AllocMatrix& alloc, int qubits, int count,
                         const std::vector<Location>& focus) {
  auto pick = [&]() {
    const int r = uniform(rng, 0, 99);
    if (r < 65 && !focus.empty()) {
      const Location s = focus[uniform(rng, 0, static_cast<int>(focus.size()) - 1)];
      return alloc[s.y][s.x];
    }
    if (r < 97) return uniform(rng, 0, std::max(qubits - 1, 0));
    return -1;
  };
  GateBuffer gates;
  for (int g = 0; g < count; ++g) {
    if (!gates.empty() && chance(rng, 0.15)) {
      gates.push_back(gates[uniform(rng, 0, static_cast<int>(gates.size()) - 1)]);
      continue;
    }
    const int u = pick();
    const int v = chance(rng, 0.03) ? u : pick();
    gates.emplace_back(u, v);
  }
  return gates;
}

// Every site of the rectangle spanned by a and b.
inline std::vector<Location> rectangle(Location a, Location b) {
  std::vector<Location> sites;
  for (int y = std::min(a.y, b.y); y <= std::max(a.y, b.y); ++y) {
    for (int x = std::min(a.x, b.x); x <= std::max(a.x, b.x); ++x)
      sites.push_back({x, y});
  }
  return sites;
}

// A printable form of a placement and a buffer, for failure messages.
inline std::string describe(const AllocMatrix& alloc, const GateBuffer& gates) {
  std::ostringstream out;
  for (const auto& row : alloc) {
    for (int q : row)
      out << q << ' ';
    out << '\n';
  }
  out << "gates:";
  for (const auto& g : gates)
    out << " (" << g.first << ',' << g.second << ')';
  return out.str();
}

inline std::string describe(Location l) {
  return "(" + std::to_string(l.x) + "," + std::to_string(l.y) + ")";
}

}  // namespace gen
