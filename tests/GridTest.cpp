// The grid's freedom bookkeeping, the greedy placement with its ring search and cost, and the
// alternative fills with the grid printout.
#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <set>

#include "TestUtil.h"

using testutil::readCircuit;

namespace {

std::string captured(const std::function<void()>& print) {
  testing::internal::CaptureStdout();
  print();
  return testing::internal::GetCapturedStdout();
}

TEST(Grid, FreedomCountsNeighboursInsideTheGrid) {
  Grid wide(3, 2);
  EXPECT_FALSE(wide.isTall);
  EXPECT_EQ(wide.freedomMap, (std::vector<std::vector<int>>{{2, 3, 2}, {2, 3, 2}}));
  EXPECT_TRUE(Grid(2, 3).isTall);
  EXPECT_TRUE(Grid(3, 3).isTall);
  Grid one(1, 1);
  EXPECT_EQ(one.freedomMap[0][0], 0);
  Grid line(1, 4);
  EXPECT_EQ(line.freedomMap, (std::vector<std::vector<int>>{{1}, {2}, {2}, {1}}));
}

TEST(Grid, UpdateFreedomTakesOneFromEachNeighbourNotBelowZero) {
  Grid g(3, 3);
  g.allocationMap[1][1] = 0;
  g.updateFreedom({1, 1});
  EXPECT_EQ(g.freedomMap, (std::vector<std::vector<int>>{{2, 2, 2}, {2, 0, 2}, {2, 2, 2}}));
  g.allocationMap[1][2] = 1;
  g.updateFreedom({2, 1});
  EXPECT_EQ(g.freedomMap[1][1], 0);
  EXPECT_EQ(g.freedomMap[0][2], 1);
  EXPECT_EQ(g.freedomMap[2][2], 1);
}

TEST(Grid, ResetRestoresEmptySitesAndBorderFreedom) {
  Grid g(3, 2);
  g.trivialLocate();
  g.resetGrid();
  EXPECT_EQ(g.allocationMap, (std::vector<std::vector<int>>{{-1, -1, -1}, {-1, -1, -1}}));
  EXPECT_EQ(g.freedomMap, Grid(3, 2).freedomMap);
}

TEST(Grid, CopyAndSelfAssignmentKeepEverything) {
  Grid g(3, 2);
  g.trivialLocate();
  Grid copy(1, 1);
  copy = g;
  EXPECT_EQ(copy.allocationMap, g.allocationMap);
  EXPECT_EQ(copy.width, 3);
  EXPECT_FALSE(copy.isTall);
  Grid& self = g;
  g = self;
  EXPECT_EQ(g.allocationMap[1][2], 5);
  EXPECT_EQ(g.height, 2);
}

TEST(Grid, IdxToLocFindsTheSite) {
  Grid g(3, 2);
  g.trivialLocate();
  EXPECT_EQ(g.idxToLoc(4), (Location{1, 1}));
  EXPECT_EQ(g.idxToLoc(2), (Location{2, 0}));
  EXPECT_EQ(g.idxToLoc(9), (Location{-1, -1}));
}

TEST(CostFun, TermsAndTheirFixedGrouping) {
  Location site{0, 0};
  std::vector<Location> anchors{{2, 0}, {0, 3}};
  std::vector<int> weights{2, 3};
  // S = 1*2 + 2*3 = 8; T = min(3-4, 0)*7/3; first term unscaled.
  EXPECT_EQ(costFun(site, anchors, weights, 3, 7, 4), -1.0 + 10.0 * (8.0 + (-7.0) / 3));
  // Enough free neighbours for every partner still to place: T = 0.
  EXPECT_EQ(costFun(site, anchors, weights, 3, 7, 2), 1.0 + 80.0);
  // No partner left: T = 0, cost is minus the freedom plus the anchor term.
  EXPECT_EQ(costFun(site, anchors, weights, 0, 0, 3), -3.0 + 80.0);
  std::vector<Location> none;
  std::vector<int> noWeights;
  EXPECT_EQ(costFun(site, none, noWeights, 0, 0, 2), -2.0);
  EXPECT_EQ(max(1, 7, -3, 4), 7);
}

// Leaves only `open` empty (every freedom 0, so every site costs the same) and records the order
// in which placeNeighbor takes them: the ring order around the anchor.
std::vector<Location> ringOrder(int W, int H, Location anchor, const std::vector<Location>& open) {
  Grid g(W, H);
  for (auto& row : g.allocationMap)
    std::fill(row.begin(), row.end(), 99);
  for (auto& row : g.freedomMap)
    std::fill(row.begin(), row.end(), 0);
  for (Location l : open)
    g.allocationMap[l.y][l.x] = -1;
  std::vector<Location> order;
  for (std::size_t i = 0; i < open.size(); ++i) {
    order.push_back(g.placeNeighbor(static_cast<int>(i), 0, 0, {0}, {anchor}));
  }
  return order;
}

TEST(PlaceNeighbor, TallGridWalksRingsWithXFirst) {
  const std::vector<Location> ring{{4, 2}, {3, 3}, {2, 4}, {1, 3}, {0, 2}, {1, 1}, {2, 0}, {3, 1}};
  std::vector<Location> reversed(ring.rbegin(), ring.rend());
  reversed.push_back({2, 3});  // radius 1 comes before radius 2
  std::vector<Location> expected{{2, 3}};
  expected.insert(expected.end(), ring.begin(), ring.end());
  EXPECT_EQ(ringOrder(5, 5, {2, 2}, reversed), expected);
}

TEST(PlaceNeighbor, WideGridWalksRingsWithYFirst) {
  const std::vector<Location> ring{{3, 4}, {4, 3}, {5, 2}, {4, 1}, {3, 0}, {2, 1}, {1, 2}, {2, 3}};
  std::vector<Location> open(ring.rbegin(), ring.rend());
  open.push_back({3, 2});  // the centre comes first
  std::vector<Location> expected{{3, 2}};
  expected.insert(expected.end(), ring.begin(), ring.end());
  EXPECT_EQ(ringOrder(6, 5, {3, 2}, open), expected);
}

TEST(PlaceNeighbor, FullGridPrintsTheFailureReportAndWritesNothing) {
  Grid g(2, 1);
  g.trivialLocate();
  Location result{0, 0};
  const std::string out = captured([&] { result = g.placeNeighbor(7, 0, 0, {0}, {{0, 0}}); });
  EXPECT_EQ(result, (Location{-1, -1}));
  EXPECT_EQ(out,
            "Error of placing qubit!, no allocation found\nmaxDist= 1\nidx= 7\n"
            "  0   1 \n  0   0 \n");
  EXPECT_EQ(g.allocationMap, (std::vector<std::vector<int>>{{0, 1}}));
}

TEST(MapToGrid, OneGateOnThreeByThreeFollowsRingAndFreedom) {
  auto g = readCircuit("qubit a\nqubit b\n.begin\nCNOT a b\n.end\n", 3, 3);
  g->resetGrid();
  ASSERT_TRUE(g->mapToGrid(0));
  const auto& m = g->grid.allocationMap;
  // a and b rank equal: whichever starts sits in the centre, the other at (2, 1).
  EXPECT_TRUE((m[1][1] == 0 && m[1][2] == 1) || (m[1][1] == 1 && m[1][2] == 0));
  // The fillers rank equal; the one the ranking lists last starts the next pass from the
  // centre and takes (1, 2), the first site of highest freedom in ring order.
  std::vector<Node> ranking = g->nodes;
  std::sort(ranking.begin(), ranking.end());
  EXPECT_EQ(m[2][1], ranking[6].vertex);
  EXPECT_GE(m[2][1], 2);
}

TEST(MapToGrid, SingleQubitOnOneSite) {
  auto g = readCircuit("qubit a\n.begin\n.end\n", 1, 1);
  g->resetGrid();
  ASSERT_TRUE(g->mapToGrid(0));
  EXPECT_EQ(g->grid.allocationMap[0][0], 0);
}

TEST(MapToGrid, SeedChoosesTheStartByRank) {
  // Ranks: c (act 3) > a (act 2) > b (act 1).
  auto g =
      readCircuit("qubit a\nqubit b\nqubit c\n.begin\nCNOT a c\nCNOT a c\nCNOT b c\n.end\n", 3, 3);
  g->resetGrid();
  ASSERT_TRUE(g->mapToGrid(0));
  EXPECT_EQ(g->grid.allocationMap[1][1], 2);
  g->resetGrid();
  ASSERT_TRUE(g->mapToGrid(1));
  EXPECT_EQ(g->grid.allocationMap[1][1], 0);
  g->resetGrid();
  ASSERT_TRUE(g->mapToGrid(2));
  EXPECT_EQ(g->grid.allocationMap[1][1], 1);
}

TEST(MapToGrid, SeedMinusOneEqualsSeedZero) {
  auto g = readCircuit(
      "qubit a\nqubit b\nqubit c\nqubit d\nqubit e\n.begin\nCNOT a b\nCNOT b c\nCNOT c d\n"
      "CNOT d e\nCNOT e a\nCNOT a c\n.end\n",
      3, 3);
  g->resetGrid();
  ASSERT_TRUE(g->mapToGrid(-1));
  const auto minusOne = g->grid.allocationMap;
  g->resetGrid();
  ASSERT_TRUE(g->mapToGrid(0));
  EXPECT_EQ(g->grid.allocationMap, minusOne);
}

TEST(MapToGrid, SecondComponentStartsFromCentreAnchor) {
  // {a, b} and {c, d} are separate; a-b has the larger activity and is placed first.
  auto g = readCircuit(
      "qubit a\nqubit b\nqubit c\nqubit d\n.begin\nCNOT a b\nCNOT a b\nCNOT c d\n.end\n", 3, 3);
  g->resetGrid();
  ASSERT_TRUE(g->mapToGrid(0));
  const auto& m = g->grid.allocationMap;
  EXPECT_EQ(std::set<int>({m[1][1], m[1][2]}), std::set<int>({0, 1}));
  // The second pass starts at the first site of highest freedom in ring order from the
  // centre, (1, 2); its partner takes the adjacent site with the most freedom left, (0, 2).
  EXPECT_EQ(std::set<int>({m[2][1], m[2][0]}), std::set<int>({2, 3}));
}

TEST(MapToGrid, FullWorkGridFailsWithoutLooping) {
  auto g = readCircuit("qubit a\nqubit b\n.begin\nCNOT a b\n.end\n", 2, 1);
  g->workGrid.trivialLocate();
  bool ok = true;
  const std::string out = captured([&] { ok = g->mapToGrid(0); });
  EXPECT_FALSE(ok);
  EXPECT_EQ(out.rfind("Error of placing qubit!, no allocation found\n", 0), 0u);
}

// Every placement of a generated circuit puts each qubit on exactly one site.
class PlacementProperty : public testing::TestWithParam<int> {};

TEST_P(PlacementProperty, EveryPlacementIsAPermutationOfAllQubits) {
  std::mt19937 rng(GetParam());
  const int qubits = 1 + static_cast<int>(rng() % 30);
  std::string text;
  for (int i = 0; i < qubits; ++i)
    text += "qubit q" + std::to_string(i) + "\n";
  text += ".begin\n";
  const int gates = static_cast<int>(rng() % 60);
  for (int k = 0; k < gates && qubits > 1; ++k) {
    const int a = static_cast<int>(rng() % qubits);
    const int b = (a + 1 + static_cast<int>(rng() % (qubits - 1))) % qubits;
    text += "CZ q" + std::to_string(a) + " q" + std::to_string(b) + "\n";
  }
  text += ".end\n";
  const int W = static_cast<int>(rng() % 7);
  const int H = static_cast<int>(rng() % 7);
  auto g = readCircuit(text, W, H);
  ASSERT_EQ(g->readError, "");
  for (int seed = 0; seed < g->qubitNum; ++seed) {
    g->resetGrid();
    ASSERT_TRUE(g->mapToGrid(seed));
    std::multiset<int> seen;
    for (const auto& row : g->workGrid.allocationMap)
      seen.insert(row.begin(), row.end());
    std::multiset<int> all;
    for (int i = 0; i < g->nodeNum; ++i)
      all.insert(i);
    ASSERT_EQ(seen, all) << text;
    ASSERT_EQ(g->grid.allocationMap, g->workGrid.allocationMap);
  }
}

INSTANTIATE_TEST_SUITE_P(Generated, PlacementProperty, testing::Range(1, 41));

TEST(Fills, TrivialLocateAndPrintGrid) {
  Grid g(3, 2);
  g.trivialLocate();
  EXPECT_EQ(g.allocationMap, (std::vector<std::vector<int>>{{0, 1, 2}, {3, 4, 5}}));
  EXPECT_EQ(g.freedomMap, (std::vector<std::vector<int>>{{0, 0, 0}, {0, 0, 0}}));
  EXPECT_EQ(captured([&] { g.printGrid(); }),
            "----- Print Grid -----\n--- allocation map ---\n  0   1   2 \n  3   4   5 \n");
}

TEST(Fills, PrintGridOfEmptyWideAndZeroGrids) {
  Grid empty(2, 1);
  EXPECT_EQ(captured([&] { empty.printGrid(); }),
            "----- Print Grid -----\n--- allocation map ---\n -1  -1 \n");
  Grid wide(1, 1);
  wide.allocationMap[0][0] = 1234;
  EXPECT_EQ(captured([&] { wide.printGrid(); }).substr(46), "1234 \n");
  Grid none(0, 3);
  EXPECT_EQ(captured([&] { none.printGrid(); }),
            "----- Print Grid -----\n--- allocation map ---\n\n\n\n");
}

TEST(Fills, RandomLocateIsAPermutationFixedWithinOneSecond) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    Grid a(4, 3);
    Grid b(4, 3);
    const std::time_t before = std::time(nullptr);
    a.randomLocate();
    b.randomLocate();
    if (std::time(nullptr) != before) continue;  // straddled a second: draw again
    EXPECT_EQ(a.allocationMap, b.allocationMap);
    std::set<int> seen;
    for (const auto& row : a.allocationMap)
      seen.insert(row.begin(), row.end());
    EXPECT_EQ(seen.size(), 12u);
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), 11);
    for (const auto& row : a.freedomMap)
      EXPECT_EQ(row, std::vector<int>(4, 0));
    return;
  }
  FAIL() << "could not draw twice within one second";
}

TEST(Fills, GraphFillsCopyIntoGrid) {
  auto g = readCircuit("qubit a\nqubit b\n.begin\n.end\n", 2, 2);
  g->trivialMapToGrid();
  EXPECT_EQ(g->grid.allocationMap, g->workGrid.allocationMap);
  EXPECT_EQ(g->grid.allocationMap[1][1], 3);
  g->randomMapToGrid();
  EXPECT_EQ(g->grid.allocationMap, g->workGrid.allocationMap);
}

}  // namespace
