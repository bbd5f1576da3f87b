// The baseline router: prices every two-qubit gate on the unchanged placement. The fast version
// walks the tokenised lines; the reference version re-reads the stored text.
#include <fstream>
#include <sstream>

#include "model/InterActGraph.h"
#include "reference/LiteralMode.h"
#include "routing/GridPaths.h"

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

// The reference version of baseline: walks the stored text line by line, looks the operands up
// by name and finds their sites by scanning the grid.
int baselineLiteral(InterActGraph& g, std::ostream* out) {
  std::istringstream reader(g.circuitText);
  std::string line;
  int costB = 0;
  while (std::getline(reader, line)) {
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word == ".qubit" || word == "qubit" || !isTwoQubitGate(word)) continue;
    std::string first;
    std::string second;
    words >> first >> second;
    const Location a = g.grid.idxToLoc(g.nameToIdx[first]);
    const Location b = g.grid.idxToLoc(g.nameToIdx[second]);
    if (dist(a, b) == 1) {
      if (out) *out << line << std::endl;
      continue;
    }
    std::vector<Location> path;
    findPath(a, b, path);
    const int n = static_cast<int>(path.size());
    if (n != 1) costB += 2 * n - 2;
  }
  return costB;
}

}  // namespace

int InterActGraph::insertSwap1(std::string outFile) {
  std::ofstream out(outFile, std::ios::out | std::ios::trunc | std::ios::binary);
  return literalMode() ? baselineLiteral(*this, &out) : baseline(*this, &out);
}

int InterActGraph::baselineCost() {
  return literalMode() ? baselineLiteral(*this, nullptr) : baseline(*this, nullptr);
}
