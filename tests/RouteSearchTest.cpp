// The fast SWAP path search, meeting-site search and SWAP history against their reference
// versions, on many generated cases.
#include <gtest/gtest.h>

#include <stdexcept>

#include "Generators.h"
#include "reference/ReferenceVersions.h"
#include "routing/MeetingSearch.h"
#include "routing/RouteSearch.h"
#include "routing/SwapHistory.h"
#include "routing/SwapPath.h"

namespace {

// One call of the SWAP path search: its inputs and what it returned.
struct PathCall {
  SwapList swaps;
  std::pair<Location, Location> ends;
  double cost = 0.0;
};

// A generated SWAP path search problem.
struct PathCase {
  AllocMatrix alloc;
  GateBuffer gates;
  Location a, b, meet;
  bool isTall = true;

  std::string describe() const {
    return "a=" + gen::describe(a) + " b=" + gen::describe(b) + " meet=" + gen::describe(meet) +
           (isTall ? " tall\n" : " wide\n") + gen::describe(alloc, gates);
  }
};

// A grid of up to 8 x 8 with some empty sites and some qubits off the grid, two sites, a
// meeting site (mostly between them) and up to ten buffered gates on and around the routes.
PathCase randomPathCase(std::mt19937& rng) {
  PathCase c;
  const int width = gen::uniform(rng, 1, 8);
  const int height = gen::uniform(rng, 1, 8);
  const int qubits = width * height + gen::uniform(rng, 0, 3);
  const double empty = gen::chance(rng, 0.5) ? 0.0 : 0.3;
  c.alloc = gen::placement(rng, width, height, qubits, empty);
  c.a = gen::site(rng, width, height);
  c.b = gen::site(rng, width, height);
  c.meet = gen::chance(rng, 0.85) ? gen::siteBetween(rng, c.a, c.b) : gen::site(rng, width, height);
  c.isTall = gen::chance(rng, 0.5);
  std::vector<Location> focus = gen::rectangle(c.a, c.meet);
  for (Location s : gen::rectangle(c.b, c.meet))
    focus.push_back(s);
  c.gates = gen::buffer(rng, c.alloc, qubits, gen::uniform(rng, 0, 10), focus);
  return c;
}

template <typename Search>
PathCall callPath(Search search, PathCase c) {
  PathCall call;
  call.swaps = {{{7, 7}, {7, 6}}};  // stale content both versions clear
  call.cost = search(c.a, c.b, c.meet, call.swaps, call.ends, c.alloc, c.gates, c.isTall);
  return call;
}

void expectSameCall(const PathCall& fast, const PathCall& literal, const std::string& what) {
  EXPECT_EQ(fast.swaps, literal.swaps) << what;
  EXPECT_EQ(fast.ends, literal.ends) << what;
  EXPECT_EQ(fast.cost, literal.cost) << what;
}

TEST(FastShortestPath, EqualsTheEnumeratingSearchOnGeneratedCases) {
  std::mt19937 rng(20240601);
  const int cases = gen::cases(30000, 2000);
  int moved = 0;
  for (int i = 0; i < cases && !HasFailure(); ++i) {
    const PathCase c = randomPathCase(rng);
    const PathCall fast = callPath(shortestPath, c);
    const PathCall literal = callPath(shortestPathLiteral, c);
    expectSameCall(fast, literal, c.describe());
    if (!fast.swaps.empty()) ++moved;
  }
  // The generator must produce real routing work, not only trivial calls.
  EXPECT_GT(moved, cases / 2);
}

TEST(FastShortestPath, LeavesItsInputsUntouched) {
  std::mt19937 rng(7);
  for (int i = 0; i < 200; ++i) {
    PathCase c = randomPathCase(rng);
    const PathCase before = c;
    PathCall call;
    shortestPath(c.a, c.b, c.meet, call.swaps, call.ends, c.alloc, c.gates, c.isTall);
    ASSERT_EQ(c.alloc, before.alloc);
    ASSERT_EQ(c.gates, before.gates);
  }
}

TEST(FastShortestPath, TiesOnAFullyBufferedGridKeepTheFirstRoute) {
  // Every qubit of a 6 x 6 grid in the buffer, in gates that many routes price alike.
  std::mt19937 rng(99);
  for (int i = 0; i < gen::cases(3000, 200) && !HasFailure(); ++i) {
    PathCase c;
    c.alloc = gen::placement(rng, 6, 6, 36, 0.0);
    for (int q = 0; q + 1 < 36; q += 2)
      c.gates.emplace_back(q, q + 1);
    c.a = gen::site(rng, 6, 6);
    c.b = gen::site(rng, 6, 6);
    c.meet = gen::siteBetween(rng, c.a, c.b);
    c.isTall = gen::chance(rng, 0.5);
    expectSameCall(callPath(shortestPath, c), callPath(shortestPathLiteral, c), c.describe());
  }
}

TEST(FastShortestPath, AQubitOnTwoSitesIsRefused) {
  // The fast search keeps one site per buffered qubit: a placement with a buffered qubit on two
  // sites is the caller's mistake, refused rather than handed to another search.
  std::mt19937 rng(5);
  int refused = 0;
  for (int i = 0; i < 300; ++i) {
    PathCase c = randomPathCase(rng);
    const Location twin =
        gen::site(rng, static_cast<int>(c.alloc[0].size()), static_cast<int>(c.alloc.size()));
    if (twin == c.a || c.alloc[c.a.y][c.a.x] == -1) continue;
    c.alloc[twin.y][twin.x] = c.alloc[c.a.y][c.a.x];
    c.gates.emplace_back(c.alloc[c.a.y][c.a.x], 0);
    EXPECT_THROW(callPath(shortestPath, c), std::invalid_argument) << c.describe();
    ++refused;
  }
  EXPECT_GT(refused, 150);
}

// The windowed router's loop over the meeting sites with the reference search.
PathCall literalMeeting(PathCase c) {
  PathCall best;
  std::vector<Location> candidates = findMidPoint(c.a, c.b, c.isTall);
  double bestCost = 2147483647.0;
  for (std::size_t k = 0; k < candidates.size(); ++k) {
    PathCall call;
    call.cost = shortestPathLiteral(c.a, c.b, candidates[k], call.swaps, call.ends, c.alloc,
                                    c.gates, c.isTall);
    if (call.cost < bestCost || k == 0) {
      if (call.cost < bestCost) bestCost = call.cost;
      best = call;
    }
  }
  return best;
}

PathCall fastMeeting(const PathCase& c, MeetingSearch& search) {
  LookaheadSet look;
  look.assign(c.gates);
  for (int y = 0; y < static_cast<int>(c.alloc.size()); ++y) {
    for (int x = 0; x < static_cast<int>(c.alloc[y].size()); ++x) {
      const int k = c.alloc[y][x] == -1 ? -1 : look.find(c.alloc[y][x]);
      if (k < 0) continue;
      look.placed[k] = 1;
      look.sites[k] = {x, y};
    }
  }
  PathCall call;
  call.cost = search.route(c.a, c.b, c.isTall, look, call.swaps, call.ends);
  return call;
}

TEST(MeetingSearch, EqualsTheRoutersCandidateLoopOnGeneratedCases) {
  std::mt19937 rng(424242);
  MeetingSearch search;  // reused, as the router does
  const int cases = gen::cases(6000, 400);
  for (int i = 0; i < cases && !HasFailure(); ++i) {
    PathCase c = randomPathCase(rng);
    // The router searches only for qubits on different, non-adjacent sites of small grids here:
    // the reference loop prices every route to every site of the rectangle.
    if (dist(c.a, c.b) == 1 || std::abs(c.a.x - c.b.x) > 5 || std::abs(c.a.y - c.b.y) > 5) {
      --i;
      continue;
    }
    std::vector<Location> focus = gen::rectangle(c.a, c.b);
    c.gates = gen::buffer(rng, c.alloc, static_cast<int>(focus.size()) + 3,
                          gen::uniform(rng, 0, 10), focus);
    expectSameCall(fastMeeting(c, search), literalMeeting(c), c.describe());
  }
}

TEST(MeetingSearch, BuffersOfMoreThanSixtyFourQubits) {
  // Past 64 buffered qubits the route trees keep no bit masks and walk the routes instead.
  std::mt19937 rng(6464);
  MeetingSearch search;
  for (int i = 0; i < gen::cases(400, 20) && !HasFailure(); ++i) {
    PathCase c;
    c.alloc = gen::placement(rng, 10, 10, 100, 0.0);
    c.a = gen::site(rng, 10, 10);
    do {
      c.b = gen::site(rng, 10, 10);
    } while (dist(c.a, c.b) < 2 || std::abs(c.a.x - c.b.x) > 4 || std::abs(c.a.y - c.b.y) > 4);
    c.isTall = gen::chance(rng, 0.5);
    std::vector<int> qubits(100);
    for (int q = 0; q < 100; ++q)
      qubits[q] = q;
    std::shuffle(qubits.begin(), qubits.end(), rng);
    for (int q = 0; q + 1 < 80; q += 2)
      c.gates.emplace_back(qubits[q], qubits[q + 1]);
    expectSameCall(fastMeeting(c, search), literalMeeting(c), c.describe());
  }
}

TEST(MeetingSites, SameOrderAsFindMidPointForEveryPairOfAnEightByEightGrid) {
  std::vector<Location> fast;
  for (int i = 0; i < 64 * 64; ++i) {
    Location a{i % 8, i / 8 % 8};
    Location b{i / 64 % 8, i / 512};
    for (bool tall : {true, false}) {
      meetingSites(a, b, tall, fast);
      ASSERT_EQ(fast, findMidPoint(a, b, tall)) << gen::describe(a) << gen::describe(b) << tall;
    }
  }
}

// The SWAPs of one generated gate: one or two walks of adjacent sites, interleaved like the
// SWAP lists of the router, or an earlier gate's SWAPs undone in reverse.
SwapList randomGateSwaps(std::mt19937& rng, int width, int height,
                         const std::vector<SwapList>& earlier) {
  SwapList swaps;
  if (!earlier.empty() && gen::chance(rng, 0.3)) {
    const SwapList& old = earlier[gen::uniform(rng, 0, static_cast<int>(earlier.size()) - 1)];
    for (auto it = old.rbegin(); it != old.rend(); ++it)
      swaps.push_back(gen::chance(rng, 0.5) ? *it : Swap{it->second, it->first});
    return swaps;
  }
  auto walk = [&](int steps) {
    SwapList w;
    Location at = gen::site(rng, width, height);
    for (int s = 0; s < steps; ++s) {
      Location next = at;
      if (gen::chance(rng, 0.5)) {
        next.x += at.x + 1 < width && (at.x == 0 || gen::chance(rng, 0.5)) ? 1 : -1;
      } else {
        next.y += at.y + 1 < height && (at.y == 0 || gen::chance(rng, 0.5)) ? 1 : -1;
      }
      w.push_back({at, next});
      at = next;
    }
    return w;
  };
  const SwapList first = walk(gen::uniform(rng, 1, 5));
  const SwapList second = gen::chance(rng, 0.5) ? walk(gen::uniform(rng, 1, 4)) : SwapList{};
  for (std::size_t j = 0; j < first.size() || j < second.size(); ++j) {
    if (j < first.size()) swaps.push_back(first[j]);
    if (j < second.size()) swaps.push_back(second[j]);
  }
  return swaps;
}

TEST(SwapHistory, EqualsTheFullWalkOnGeneratedGateSequences) {
  std::mt19937 rng(31337);
  int cancelled = 0;
  const int runs = gen::cases(400, 10);
  for (int run = 0; run < runs && !HasFailure(); ++run) {
    const int width = gen::uniform(rng, 2, 4);
    const int height = gen::uniform(rng, 2, 4);
    SwapHistory fast(width, height);
    SwapList literal;
    std::vector<SwapList> gates;
    for (int g = 0; g < 200; ++g) {
      const SwapList swaps = randomGateSwaps(rng, width, height, gates);
      gates.push_back(swaps);
      std::vector<std::vector<bool>> touched(height, std::vector<bool>(width, false));
      const std::size_t sizeBefore = literal.size();
      for (const Swap& s : swaps)
        recordSwap(s, literal, touched);
      cancelled += static_cast<int>(sizeBefore + swaps.size() - literal.size());
      fast.recordGate(swaps);
      ASSERT_EQ(fast.contents(), literal) << "run " << run << " gate " << g;
      ASSERT_EQ(fast.size(), literal.size());
    }
    // Restoring takes the SWAPs latest first.
    while (!literal.empty()) {
      ASSERT_FALSE(fast.empty());
      ASSERT_EQ(fast.popLatest(), literal.back());
      literal.pop_back();
    }
    EXPECT_TRUE(fast.empty());
  }
  // The sequences must exercise cancellation a good deal: dozens per run of 200 gates.
  EXPECT_GT(cancelled, 30 * runs);
}

// Two routes that end on one site away from the meeting site are the inconsistent SWAP path
// gridswap stops at, with the line "error!" that the program prints for it; the same routes with
// b's ending beside the meeting site are joined, a's and b's moves alternating.
TEST(JoinMoves, RoutesEndingOnOneSiteOffTheMeetingSiteStopWithTheProgramsErrorLine) {
  const Location a{0, 0}, meet{2, 0};
  const std::vector<Location> PA{a, {1, 0}};
  SwapList swaps;
  std::pair<Location, Location> ends;
  try {
    joinMoves(PA, {{1, 1}, {1, 0}, meet}, a, {1, 1}, meet, swaps, ends);
    ADD_FAILURE() << "routes meeting on (1,0) were joined";
  } catch (const InconsistentSwapPath& e) {
    EXPECT_STREQ(e.what(), "error!");
  }
  joinMoves(PA, {{2, 2}, {2, 1}, meet}, a, {2, 2}, meet, swaps, ends);
  EXPECT_EQ(swaps, (SwapList{{a, {1, 0}}, {{2, 2}, {2, 1}}}));
  EXPECT_EQ(ends.first, (Location{1, 0}));
  EXPECT_EQ(ends.second, (Location{2, 1}));
}

}  // namespace
