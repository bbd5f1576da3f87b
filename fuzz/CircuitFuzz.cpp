// libFuzzer target: arbitrary bytes as a circuit file, through the reader and, for circuits the
// reader accepts, placement, the baseline router and the windowed router in every output mode,
// on small grids. Besides the sanitizers' reports it stops on broken invariants, when the fast
// placement and router differ in any byte from their reference versions, and when the trials
// on three workers differ from those on one.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "driver/TrialRunner.h"
#include "driver/InterActGraph.h"
#include "reference/ReferenceVersions.h"

namespace {

// Bounds that keep one input within milliseconds.
constexpr int kMaxQubits = 16;  // declared qubits
constexpr int kMaxSites = 25;   // grid sites, filler qubits included
constexpr int kMaxGates = 64;   // two-qubit gate lines
constexpr int kMaxSeeds = 3;    // placement trials per grid

void require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "broken invariant: %s\n", what);
  std::abort();
}

// True when every qubit 0 .. nodeNum-1 sits on exactly one site of the grid.
bool holdsEveryQubitOnce(const Grid& grid, int nodeNum) {
  std::vector<int> seen(nodeNum, 0);
  for (const auto& row : grid.allocationMap) {
    for (int q : row) {
      if (q < 0 || q >= nodeNum || seen[q]++) return false;
    }
  }
  return std::count(seen.begin(), seen.end(), 1) == nodeNum;
}

void runOnGrid(const std::string& text, int W, int H, int window) {
  std::istringstream in(text);
  InterActGraph g(in, "fuzz", W, H, -1);
  if (!g.readError.empty()) return;
  if (g.qubitNum > kMaxQubits || g.nodeNum > kMaxSites || g.gateNum > kMaxGates) return;
  require(g.nodeNum == g.workGrid.width * g.workGrid.height, "every site gets a qubit");
  const int seeds = std::min(g.qubitNum, kMaxSeeds);
  for (int seed = 0; seed < seeds; ++seed) {
    g.resetGrid();
    require(placeTrialReference(g, g.workspace, seed, nullptr), "reference placement succeeds");
    const Grid reference = g.grid;
    g.resetGrid();
    require(g.mapToGrid(seed), "placement succeeds");
    require(g.grid.allocationMap == reference.allocationMap, "placement equals the reference");
    require(holdsEveryQubitOnce(g.grid, g.nodeNum), "placement is a permutation");
    require(g.baselineCost() >= 0, "baseline cost is not negative");
    RouteCosts costs[3];
    for (int mode = 0; mode < 3; ++mode) {
      std::ostringstream fast;
      std::ostringstream literal;
      RouteOutput fastOut;
      RouteOutput literalOut;
      fastOut.circuit = &fast;
      literalOut.circuit = &literal;
      costs[mode] = g.routeWindowed(window, mode, fastOut);
      require(routeWindowedReference(g, g.workspace, window, mode, literalOut) == costs[mode],
              "routing costs equal the reference");
      require(fast.str() == literal.str(), "mapped circuit equals the reference");
      if (mode == 0) require(fast.str().empty(), "output mode 0 writes nothing");
    }
    require(costs[0] == costs[1] && costs[1] == costs[2], "costs do not depend on the mode");
    require(costs[0].first >= 0 && costs[0].first <= costs[0].second, "0 <= costU <= costR");
  }
  // Every seed's trial on three workers gives what one worker gives.
  Progress quiet(nullptr, g.qubitNum);
  const std::vector<TrialResult> one = runAllTrials(g, window, 1, fastSteps(), quiet);
  const std::vector<TrialResult> three = runAllTrials(g, window, 3, fastSteps(), quiet);
  require(one.size() == three.size(), "one result per seed");
  for (std::size_t seed = 0; seed < one.size(); ++seed) {
    require(one[seed].status == TrialStatus::kDone && three[seed].status == TrialStatus::kDone,
            "every trial finishes");
    require(one[seed].costB == three[seed].costB && one[seed].costU == three[seed].costU &&
                one[seed].costR == three[seed].costR,
            "three workers give the costs of one");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  runOnGrid(text, 1, 1, 3);                           // sized from the qubit count: tall
  runOnGrid(text, 5, 2, static_cast<int>(size % 5));  // wide, windows 0 to 4
  return 0;
}
