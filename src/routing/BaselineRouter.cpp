// The baseline router: prices every two-qubit gate on the unchanged placement, walking the
// tokenised lines.
#include "routing/Routers.h"

int baselineCost(const CircuitModel& model, const Grid& placement, std::ostream* out) {
  // Site of every qubit, found once instead of scanning the grid per operand; the row-major
  // scan keeps the first site of a qubit, as Grid::idxToLoc does.
  std::vector<Location> site(model.nodeNum, Location{-1, -1});
  for (int y = placement.height - 1; y >= 0; --y) {
    for (int x = placement.width - 1; x >= 0; --x) {
      const int q = placement.allocationMap[y][x];
      if (q >= 0 && q < model.nodeNum) site[q] = {x, y};
    }
  }
  int costB = 0;
  std::vector<Location> path;
  for (const CircuitLine& line : model.lines) {
    if (line.kind != CircuitLine::kGate) continue;
    const Location a = site[line.q1];
    const Location b = site[line.q2];
    if (placement.chip) {
      // On a chip the price is the chip distance's, as findPath's on a grid.
      const int d = placement.chip->distance(a, b);
      if (d == 1 && placement.chip->coupled(a, b)) {
        if (out) out->write(model.circuitText.data() + line.start, line.length) << '\n';
      } else if (d > 1) {
        costB += 2 * d - 2;
      }
      continue;
    }
    if (dist(a, b) == 1) {
      if (out) out->write(model.circuitText.data() + line.start, line.length) << '\n';
      continue;
    }
    path.clear();
    findPath(a, b, path);
    const int n = static_cast<int>(path.size());
    if (n != 1) costB += 2 * n - 2;
  }
  return costB;
}
