// The baseline router: prices every two-qubit gate on the unchanged placement.
#include <fstream>

#include "GridPaths.h"
#include "InterActGraph.h"

namespace {

// Baseline price of the placement in `grid`; adjacent gate lines go to `out` when given.
int baseline(const InterActGraph& g, std::ostream* out) {
  // Site of every qubit, found once instead of scanning the grid per operand; the row-major
  // scan keeps the first site of a qubit, as Grid::idxToLoc does.
  std::vector<Location> site(g.nodeNum, Location{-1, -1});
  for (int y = g.grid.height - 1; y >= 0; --y) {
    for (int x = g.grid.width - 1; x >= 0; --x) {
      const int q = g.grid.allocationMap[y][x];
      if (q >= 0 && q < g.nodeNum) site[q] = {x, y};
    }
  }
  int costB = 0;
  std::vector<Location> path;
  for (const CircuitLine& line : g.lines) {
    if (line.kind != CircuitLine::kGate) continue;
    const Location a = site[line.q1];
    const Location b = site[line.q2];
    if (dist(a, b) == 1) {
      if (out) out->write(g.circuitText.data() + line.start, line.length) << '\n';
      continue;
    }
    path.clear();
    findPath(a, b, path);
    const int n = static_cast<int>(path.size());
    if (n != 1) costB += 2 * n - 2;
  }
  return costB;
}

}  // namespace

int InterActGraph::insertSwap1(std::string outFile) {
  std::ofstream out(outFile, std::ios::out | std::ios::trunc | std::ios::binary);
  return baseline(*this, &out);
}

int InterActGraph::baselineCost() {
  return baseline(*this, nullptr);
}
