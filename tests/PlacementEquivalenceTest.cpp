// The bounded placement search against the reference one that prices every empty site.
#include <gtest/gtest.h>

#include <filesystem>

#include "Generators.h"
#include "TestUtil.h"
#include "reference/ReferenceVersions.h"

namespace {

// One placeNeighbor call on a copy of `grid`: the site, the grid after it and what it printed.
struct Placed {
  Location site;
  Grid grid{0, 0};
  std::string printed;
};

Placed place(const Grid& start, int idx, int degree, int act, const std::vector<int>& weights,
             const std::vector<Location>& anchors, bool literal) {
  Placed p;
  p.grid = start;
  // Only a grid without an empty site prints (the failure report).
  bool full = true;
  for (const auto& row : start.allocationMap)
    full = full && std::find(row.begin(), row.end(), -1) == row.end();
  if (full) testing::internal::CaptureStdout();
  p.site = literal ? placeNeighborReference(p.grid, idx, degree, act, weights, anchors)
                   : p.grid.placeNeighbor(idx, degree, act, weights, anchors);
  if (full) p.printed = testing::internal::GetCapturedStdout();
  return p;
}

TEST(PlacementEquivalence, PlaceNeighborOnGeneratedGridsAndAnchors) {
  std::mt19937 rng(777);
  int withPartners = 0;
  for (int i = 0; i < gen::cases(20000, 1000) && !HasFailure(); ++i) {
    const int width = gen::uniform(rng, 1, 12);
    const int height = gen::uniform(rng, 1, 12);
    Grid grid(width, height);
    // Occupy a random share of the sites through updateFreedom, as placement does.
    const double filled = gen::chance(rng, 0.05) ? 1.0 : gen::uniform(rng, 0, 100) / 100.0;
    std::vector<Location> occupied;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (!gen::chance(rng, filled)) continue;
        grid.allocationMap[y][x] = static_cast<int>(occupied.size());
        grid.updateFreedom({x, y});
        occupied.push_back({x, y});
      }
    }
    // The first anchor anywhere (the centre for pass starts), the others mostly on placed
    // qubits, with their gate counts as weights.
    std::vector<Location> anchors{gen::site(rng, width, height)};
    std::vector<int> weights{gen::chance(rng, 0.3) ? 0 : gen::uniform(rng, 0, 4)};
    const int more = gen::uniform(rng, 0, 6);
    for (int k = 0; k < more; ++k) {
      anchors.push_back(
          occupied.empty() || gen::chance(rng, 0.1)
              ? gen::site(rng, width, height)
              : occupied[gen::uniform(rng, 0, static_cast<int>(occupied.size()) - 1)]);
      weights.push_back(gen::uniform(rng, 1, 5));
    }
    const int degree = gen::uniform(rng, 0, 6);
    const int act = gen::uniform(rng, 0, 3 * degree + 1);
    const Placed fast = place(grid, 500, degree, act, weights, anchors, false);
    const Placed literal = place(grid, 500, degree, act, weights, anchors, true);
    ASSERT_EQ(fast.site, literal.site) << gen::describe(grid.allocationMap, {});
    ASSERT_EQ(fast.grid.allocationMap, literal.grid.allocationMap);
    ASSERT_EQ(fast.grid.freedomMap, literal.grid.freedomMap);
    ASSERT_EQ(fast.printed, literal.printed);
    if (more > 0 && fast.site.x >= 0) ++withPartners;
  }
  EXPECT_GT(withPartners, 500);
}

// Places every seed of a circuit in both versions and compares the grids.
void expectSamePlacements(InterActGraph& graph, const std::string& what) {
  for (int seed = -1; seed < graph.qubitNum; ++seed) {
    AllocMatrix grids[2];
    std::vector<std::vector<int>> freedoms[2];
    for (int literal = 0; literal < 2; ++literal) {
      graph.resetGrid();
      ASSERT_TRUE(literal == 1 ? placeTrialReference(graph, graph.workspace, seed, nullptr)
                               : graph.mapToGrid(seed))
          << what;
      grids[literal] = graph.grid.allocationMap;
      freedoms[literal] = graph.workGrid.freedomMap;
    }
    ASSERT_EQ(grids[0], grids[1]) << what << " seed " << seed;
    ASSERT_EQ(freedoms[0], freedoms[1]) << what << " seed " << seed;
  }
}

TEST(PlacementEquivalence, EverySeedOfGeneratedCircuits) {
  std::mt19937 rng(2718);
  for (int i = 0; i < gen::cases(100, 6) && !HasFailure(); ++i) {
    const int qubits = gen::uniform(rng, 1, 60);
    std::ostringstream text;
    for (int q = 0; q < qubits; ++q)
      text << "qubit q" << q << "\n";
    text << ".begin\n";
    const int gates = gen::uniform(rng, 0, 300);
    for (int g = 0; g < gates && qubits > 1; ++g) {
      const int u = gen::uniform(rng, 0, qubits - 1);
      const int v = (u + gen::uniform(rng, 1, gen::chance(rng, 0.7) ? 3 : qubits - 1)) % qubits;
      if (u != v) text << "CNOT q" << u << " q" << v << "\n";
    }
    text << ".end\n";
    // The natural grid, or a larger one with many filler qubits.
    const bool roomy = gen::chance(rng, 0.3);
    const auto graph = testutil::readCircuit(text.str(), roomy ? gen::uniform(rng, 1, 14) : 1,
                                             roomy ? gen::uniform(rng, 1, 14) : 1);
    ASSERT_TRUE(graph->readError.empty());
    expectSamePlacements(*graph, text.str());
  }
}

TEST(PlacementEquivalence, EverySeedOfTheSmallCorpus) {
  for (const auto& entry : std::filesystem::directory_iterator(TEST_DATA_DIR "/qasmbench")) {
    if (entry.path().extension() != ".circ") continue;
    InterActGraph graph(entry.path().string(), 1, 1, -1);
    expectSamePlacements(graph, entry.path().string());
  }
}

}  // namespace
