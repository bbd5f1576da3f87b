// Grid path primitives, the look-ahead buffer, meeting sites and the SWAP path search.
#include <gtest/gtest.h>

#include <sstream>

#include "TestUtil.h"
#include "reference/ReferenceVersions.h"
#include "routing/SwapPath.h"

namespace {

typedef std::vector<Location> Path;

Path lPath(Location from, Location to, Path start = {}) {
  findPath(from, to, start);
  return start;
}

TEST(GridPaths, DistIsManhattan) {
  EXPECT_EQ(dist({2, 3}, {0, 0}), 5);
  EXPECT_EQ(dist({4, 1}, {4, 1}), 0);
}

TEST(GridPaths, FindPathGoesAlongXThenYWithoutTheDestination) {
  EXPECT_EQ(lPath({1, 1}, {1, 1}), (Path{{1, 1}}));
  EXPECT_EQ(lPath({0, 0}, {3, 0}), (Path{{0, 0}, {1, 0}, {2, 0}}));
  EXPECT_EQ(lPath({0, 0}, {2, 2}), (Path{{0, 0}, {1, 0}, {2, 0}, {2, 1}}));
  EXPECT_EQ(lPath({3, 2}, {1, 0}), (Path{{3, 2}, {2, 2}, {1, 2}, {1, 1}}));
  EXPECT_EQ(lPath({0, 0}, {0, 3}), (Path{{0, 0}, {0, 1}, {0, 2}}));
  EXPECT_EQ(lPath({2, 0}, {0, 0}), (Path{{2, 0}, {1, 0}}));
  EXPECT_EQ(lPath({0, 0}, {1, 0}, {{7, 7}}), (Path{{7, 7}, {0, 0}}));
}

std::vector<Path> routes(Location from, Location to, int dir, bool isTall, Path visited = {},
                         Path prefix = {}) {
  std::vector<Path> paths;
  const Path visitedBefore = visited;
  const Path prefixBefore = prefix;
  trail(from, to, dir, visited, prefix, paths, isTall);
  EXPECT_EQ(visited, visitedBefore);
  EXPECT_EQ(prefix, prefixBefore);
  return paths;
}

TEST(Trail, OrderDependsOnOrientation) {
  EXPECT_EQ(routes({0, 0}, {1, 1}, 4, true),
            (std::vector<Path>{{{0, 0}, {1, 0}, {1, 1}}, {{0, 0}, {0, 1}, {1, 1}}}));
  EXPECT_EQ(routes({0, 0}, {1, 1}, 4, false),
            (std::vector<Path>{{{0, 0}, {0, 1}, {1, 1}}, {{0, 0}, {1, 0}, {1, 1}}}));
}

TEST(Trail, EnumeratesAllShortestRoutesInEveryQuadrant) {
  for (Location to : {Location{3, 0}, Location{0, 0}, Location{0, 2}, Location{3, 2}}) {
    const Location from{1, 1};
    const int dir = quadrantCode(from, to);
    for (bool tall : {true, false}) {
      const auto paths = routes(from, to, dir, tall);
      const int dx = std::abs(to.x - from.x);
      const int dy = std::abs(to.y - from.y);
      int expected = 1;
      for (int i = 1; i <= dy; ++i)
        expected = expected * (dx + i) / i;
      ASSERT_EQ(static_cast<int>(paths.size()), expected);
      for (const Path& p : paths) {
        ASSERT_EQ(static_cast<int>(p.size()), dx + dy + 1);
        EXPECT_EQ(p.front(), from);
        EXPECT_EQ(p.back(), to);
        for (std::size_t j = 1; j < p.size(); ++j)
          EXPECT_EQ(dist(p[j - 1], p[j]), 1);
      }
    }
  }
}

TEST(Trail, QuadrantCodesTakeIncreasingStepsOnTies) {
  EXPECT_EQ(quadrantCode({2, 2}, {3, 1}), 1);
  EXPECT_EQ(quadrantCode({2, 2}, {1, 1}), 2);
  EXPECT_EQ(quadrantCode({2, 2}, {1, 3}), 3);
  EXPECT_EQ(quadrantCode({2, 2}, {3, 3}), 4);
  EXPECT_EQ(quadrantCode({2, 2}, {2, 2}), 4);
  EXPECT_EQ(quadrantCode({2, 2}, {1, 2}), 3);
  EXPECT_EQ(quadrantCode({2, 2}, {2, 0}), 1);
}

TEST(Trail, SelfRouteWrongQuadrantAndBlockedSites) {
  EXPECT_EQ(routes({2, 2}, {2, 2}, 4, true), (std::vector<Path>{{{2, 2}}}));
  EXPECT_TRUE(routes({2, 0}, {0, 0}, 4, true).empty());
  // (1, 0) blocked: only the route through (0, 1) remains.
  EXPECT_EQ(routes({0, 0}, {1, 1}, 4, true, {{1, 0}}),
            (std::vector<Path>{{{0, 0}, {0, 1}, {1, 1}}}));
  // A destination listed in visited is still reached.
  EXPECT_EQ(routes({0, 0}, {1, 0}, 4, true, {{1, 0}}), (std::vector<Path>{{{0, 0}, {1, 0}}}));
  // The caller's prefix starts every route.
  EXPECT_EQ(routes({0, 0}, {1, 0}, 4, true, {}, {{5, 5}}),
            (std::vector<Path>{{{5, 5}, {0, 0}, {1, 0}}}));
}

TEST(SwapQubit, MatrixAndMapForms) {
  AllocMatrix alloc{{0, 1}, {2, -1}};
  swapQubit({0, 0}, {1, 0}, alloc);
  EXPECT_EQ(alloc, (AllocMatrix{{1, 0}, {2, -1}}));
  swapQubit({1, 1}, {1, 1}, alloc);
  EXPECT_EQ(alloc, (AllocMatrix{{1, 0}, {2, -1}}));
  QubitLocMap loc{{0, {1, 1}}};
  swapQubit(0, 5, loc);
  EXPECT_EQ(loc.at(0), (Location{0, 0}));
  EXPECT_EQ(loc.at(5), (Location{1, 1}));
}

TEST(SwapQubit, PairedUpdateMovesQubitsAndNeverEntersEmptySites) {
  AllocMatrix alloc{{0, 1}, {2, -1}};
  QubitLocMap loc = buildQubitLoc(alloc);
  applySwap({0, 1}, {1, 1}, alloc, loc);
  EXPECT_EQ(alloc, (AllocMatrix{{0, 1}, {-1, 2}}));
  EXPECT_EQ(loc.at(2), (Location{1, 1}));
  EXPECT_EQ(loc.count(-1), 0u);
  applySwap({0, 0}, {1, 0}, alloc, loc);
  EXPECT_EQ(loc.at(0), (Location{1, 0}));
  EXPECT_EQ(loc.at(1), (Location{0, 0}));
  EXPECT_EQ(loc.size(), 3u);
}

const char* const kLookaheadBody =
    "H q0\nCNOT q0 q1\nT q1\nCZ q1 q2\nSWAP q0 q2\nCNOT q2 q0\n.end\nH q1\n";

// The stream reader and the tokenised reader fill the buffer alike.
class Lookahead : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    const std::string text = std::string("qubit q0\nqubit q1\nqubit q2\n.begin\n") + kLookaheadBody;
    graph = testutil::readCircuit(text, 3, 1);
    stream.str(kLookaheadBody);
  }
  void fill(int count) {
    if (GetParam()) {
      fillFutureGateBuffer(stream, graph->nameToIdx, buffer, count);
    } else {
      fillFutureGateBuffer(graph->lines, next, buffer, count);
    }
  }
  std::unique_ptr<InterActGraph> graph;
  std::istringstream stream;
  std::size_t next = 4;  // just after .begin
  GateBuffer buffer;
};

TEST_P(Lookahead, LoadsThenAdvancesOneGateAtATime) {
  fill(3);
  EXPECT_EQ(buffer, (GateBuffer{{0, 1}, {1, 2}, {0, 2}}));
  fill(1);
  EXPECT_EQ(buffer, (GateBuffer{{1, 2}, {0, 2}, {2, 0}}));
  // The text is exhausted: the buffer drains.
  fill(1);
  EXPECT_EQ(buffer, (GateBuffer{{0, 2}, {2, 0}}));
  fill(1);
  EXPECT_EQ(buffer, (GateBuffer{{2, 0}}));
}

TEST(LookaheadStream, GatesAfterEndEnterLikeAnyOthers) {
  std::map<std::string, int> names{{"a", 0}, {"b", 1}};
  std::istringstream in("CNOT a b\n.end\nCZ b a\n");
  GateBuffer buffer;
  fillFutureGateBuffer(in, names, buffer, 5);
  EXPECT_EQ(buffer, (GateBuffer{{0, 1}, {1, 0}}));
  // An unknown name counts as qubit 0; the name table is only read.
  std::istringstream more("GEO a zz\n");
  fillFutureGateBuffer(more, names, buffer, 1);
  EXPECT_EQ(buffer, (GateBuffer{{1, 0}, {0, 0}}));
  EXPECT_EQ(names.count("zz"), 0u);
}

TEST_P(Lookahead, CountLargerThanTheCircuitTakesAllThatRemain) {
  fill(50);
  EXPECT_EQ(buffer.size(), 4u);
  fill(2);
  EXPECT_EQ(buffer, (GateBuffer{{0, 2}, {2, 0}}));
}

TEST_P(Lookahead, ZeroOrNegativeCountDoesNothing) {
  fill(2);
  fill(0);
  fill(-3);
  EXPECT_EQ(buffer, (GateBuffer{{0, 1}, {1, 2}}));
}

TEST_P(Lookahead, WindowZeroHoldsThePreviousGate) {
  fill(0);
  EXPECT_TRUE(buffer.empty());
  fill(1);
  EXPECT_EQ(buffer, (GateBuffer{{0, 1}}));
  fill(1);
  EXPECT_EQ(buffer, (GateBuffer{{1, 2}}));
}

INSTANTIATE_TEST_SUITE_P(Readers, Lookahead, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "Stream" : "Tokenised";
                         });

Path midPoints(Location a, Location b, bool isTall) {
  return findMidPoint(a, b, isTall);
}

TEST(FindMidPoint, WorkedExamples) {
  EXPECT_EQ(midPoints({0, 0}, {2, 1}, false),
            (Path{{2, 0}, {1, 1}, {1, 0}, {0, 1}, {2, 1}, {0, 0}}));
  EXPECT_EQ(midPoints({0, 0}, {2, 1}, true),
            (Path{{1, 1}, {2, 0}, {0, 1}, {1, 0}, {2, 1}, {0, 0}}));
  EXPECT_EQ(midPoints({3, 3}, {1, 3}, false), (Path{{2, 3}, {3, 3}, {1, 3}}));
  EXPECT_EQ(midPoints({2, 2}, {2, 2}, true), (Path{{2, 2}}));
  EXPECT_EQ(midPoints({1, 1}, {1, 2}, true), (Path{{1, 2}, {1, 1}}));
}

TEST(FindMidPoint, EveryRectangleSiteOnceWhateverTheRoles) {
  for (Location a : {Location{0, 0}, Location{4, 1}, Location{2, 3}}) {
    for (Location b : {Location{3, 3}, Location{0, 2}, Location{4, 0}}) {
      for (bool tall : {true, false}) {
        Path ab = midPoints(a, b, tall);
        Path ba = midPoints(b, a, tall);
        const std::size_t area = (std::abs(a.x - b.x) + 1) * (std::abs(a.y - b.y) + 1);
        ASSERT_EQ(ab.size(), area);
        auto less = [](Location l, Location r) { return l.x != r.x ? l.x < r.x : l.y < r.y; };
        std::sort(ab.begin(), ab.end(), less);
        std::sort(ba.begin(), ba.end(), less);
        EXPECT_EQ(ab, ba);
        EXPECT_TRUE(std::adjacent_find(ab.begin(), ab.end()) == ab.end());
      }
    }
  }
}

struct PathSearch {
  SwapList swaps{{{9, 9}, {9, 8}}};  // stale content the call must clear
  std::pair<Location, Location> ends;
  double cost = -1;
  void run(Location a, Location b, Location meet, AllocMatrix alloc, GateBuffer gates,
           bool isTall = true) {
    const AllocMatrix allocBefore = alloc;
    const GateBuffer gatesBefore = gates;
    cost = shortestPath(a, b, meet, swaps, ends, alloc, gates, isTall);
    EXPECT_EQ(alloc, allocBefore);
    EXPECT_EQ(gates, gatesBefore);
  }
};

const AllocMatrix kThreeByThree{{0, 1, 2}, {3, 4, 5}, {6, 7, 8}};

TEST(ShortestPath, EmptyBufferTakesTheFirstRoutes) {
  PathSearch s;
  s.run({0, 0}, {2, 2}, {1, 1}, kThreeByThree, {});
  EXPECT_EQ(s.swaps, (SwapList{{{0, 0}, {1, 0}}, {{2, 2}, {1, 2}}, {{1, 0}, {1, 1}}}));
  EXPECT_EQ(s.ends, std::make_pair(Location{1, 1}, Location{1, 2}));
  EXPECT_EQ(s.cost, 0.0);
}

TEST(ShortestPath, LookaheadChoosesTheRouteThatKeepsGatesClose) {
  PathSearch s;
  s.run({0, 0}, {2, 2}, {1, 1}, kThreeByThree, {{1, 8}});
  EXPECT_EQ(s.swaps, (SwapList{{{0, 0}, {0, 1}}, {{2, 2}, {1, 2}}, {{0, 1}, {1, 1}}}));
  EXPECT_EQ(s.ends, std::make_pair(Location{1, 1}, Location{1, 2}));
  EXPECT_EQ(s.cost, 2.0);
}

TEST(ShortestPath, MeetAtBLeavesBInPlaceAndEndsBeforeIt) {
  PathSearch s;
  s.run({0, 0}, {2, 0}, {2, 0}, kThreeByThree, {});
  EXPECT_EQ(s.swaps, (SwapList{{{0, 0}, {1, 0}}, {{1, 0}, {2, 0}}}));
  EXPECT_EQ(s.ends, std::make_pair(Location{2, 0}, Location{1, 0}));
}

TEST(ShortestPath, MeetAtAMovesOnlyB) {
  PathSearch s;
  s.run({0, 0}, {0, 2}, {0, 0}, kThreeByThree, {{0, 6}});
  EXPECT_EQ(s.swaps, (SwapList{{{0, 2}, {0, 1}}}));
  EXPECT_EQ(s.ends, std::make_pair(Location{0, 0}, Location{0, 1}));
  EXPECT_EQ(s.cost, 1.0);
}

TEST(ShortestPath, BNextToMeetDoesNotMove) {
  PathSearch s;
  s.run({0, 0}, {2, 1}, {1, 1}, kThreeByThree, {}, false);
  EXPECT_EQ(s.swaps, (SwapList{{{0, 0}, {0, 1}}, {{0, 1}, {1, 1}}}));
  EXPECT_EQ(s.ends, std::make_pair(Location{1, 1}, Location{2, 1}));
}

TEST(ShortestPath, SameSiteStaysInsideItsLists) {
  PathSearch s;
  s.run({1, 1}, {1, 1}, {1, 1}, kThreeByThree, {{4, 0}});
  EXPECT_TRUE(s.swaps.empty());
  EXPECT_EQ(s.ends.first, (Location{1, 1}));
  EXPECT_EQ(s.cost, 2.0);
}

}  // namespace
