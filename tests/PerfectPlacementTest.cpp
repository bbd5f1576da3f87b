// Perfect placements: the embedding search finds a placement without SWAPs for circuits that
// have one by construction, on full grids and on chips with holes, proves it absent where the
// interaction graph cannot embed, and answers the same whatever the clock or the thread count.
#include <gtest/gtest.h>

#include "chip/GeneratedChips.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "Generators.h"
#include "TestUtil.h"
#include "check/TwoQubitDepth.h"
#include "chip/ChipReader.h"
#include "search/EffortMap.h"
#include "search/EffortSearch.h"
#include "search/Embedding.h"
#include "search/EmbeddingSat.h"
#include "search/GeneratedCircuits.h"
#include "search/Starts.h"

namespace {

// Writes a circuit text to a scratch file and returns its path.
std::string circuitFile(const std::string& text) {
  const std::string path = testutil::tempDir() + "/perfect.circ";
  testutil::writeFile(path, text);
  return path;
}

// The two-qubit gates of a generated circuit as pairs of qubit numbers (names qN).
std::vector<std::pair<int, int>> gatesOf(const std::string& text) {
  std::vector<std::pair<int, int>> edges;
  for (const std::string& line : testutil::splitLines(text)) {
    if (line.rfind("CNOT ", 0) != 0) continue;
    std::istringstream words(line.substr(5));
    std::string a, b;
    words >> a >> b;
    edges.emplace_back(std::stoi(a.substr(1)), std::stoi(b.substr(1)));
  }
  return edges;
}

// Expects `found` to put every vertex with edges on its own live site and every edge on a
// usable coupler.
void expectEmbedding(const Embedding& found, const std::vector<std::pair<int, int>>& edges,
                     const Chip& chip) {
  ASSERT_EQ(found.status, EmbedStatus::kFound);
  std::set<std::pair<int, int>> used;
  for (const Location& s : found.sites) {
    if (s.x < 0) continue;
    EXPECT_TRUE(chip.live(s)) << s.x << "," << s.y;
    EXPECT_TRUE(used.insert({s.x, s.y}).second) << "site " << s.x << "," << s.y << " twice";
  }
  for (const auto& [a, b] : edges)
    EXPECT_TRUE(chip.coupled(found.sites[a], found.sites[b])) << a << " " << b;
}

struct GridCase {
  int side;
  int depth;
  std::uint32_t seed = 1;
};

class PerfectOnGrids : public testing::TestWithParam<std::tuple<GridCase, Effort>> {};

// Layers of gates between neighbouring sites get a checked mapping without a SWAP, found by
// the embedding search before any routing.
TEST_P(PerfectOnGrids, MapWithoutASwap) {
  const auto& [c, level] = GetParam();
  const std::string path = circuitFile(neighbourLayersCircuit(c.side, c.side, c.depth, c.seed));
  InterActGraph graph(path, c.side, c.side, -1);
  const SearchResult result = searchMapping(graph, planFor(level, 3), 2);
  EXPECT_EQ(result.embedding, EmbedStatus::kFound);
  EXPECT_EQ(result.costs, RouteCosts(0, 0));
  const std::string out = testutil::tempDir() + "/perfect.mapped.circ";
  const CheckResult check = writeMapping(graph, result, out, out + ".layout");
  EXPECT_EQ(check.message.substr(0, 3), "OK:");
  EXPECT_NE(check.message.find(" 0 SWAPs inserted"), std::string::npos) << check.message;
}

// Depths 3 .. 7 leave the search the most wrong turns: sparse graphs that fill the grid.
std::vector<GridCase> gridCases() {
  std::vector<GridCase> cases = {{4, 1},  {4, 5},  {4, 10},  {4, 50},  {6, 3},  {6, 20},
                                 {8, 10}, {10, 1}, {10, 20}, {10, 50}, {12, 6}, {12, 10}};
  if (gen::kOptimised) {
    // 16 x 16 at depth 5 (the quality table's seed) needs more than half of the bound of `more`.
    for (GridCase c : {GridCase{16, 5, 1605}, GridCase{16, 20}, GridCase{20, 1}, GridCase{20, 3},
                       GridCase{20, 7}, GridCase{20, 50}})
      cases.push_back(c);
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Shapes, PerfectOnGrids,
                         testing::Combine(testing::ValuesIn(gridCases()),
                                          testing::Values(Effort::kMore, Effort::kMax)),
                         [](const testing::TestParamInfo<std::tuple<GridCase, Effort>>& info) {
                           const GridCase& c = std::get<0>(info.param);
                           return std::to_string(c.side) + "x" + std::to_string(c.side) + "_depth" +
                                  std::to_string(c.depth) +
                                  (std::get<1>(info.param) == Effort::kMore ? "_more" : "_max");
                         });

struct HoledCase {
  std::string name;
  int width, height, holes, cuts, depth;
};

class PerfectOnHoledChips : public testing::TestWithParam<HoledCase> {};

// Layers of gates on the couplers of a chip with missing qubits and unusable couplers embed
// into that chip.
TEST_P(PerfectOnHoledChips, Embed) {
  const HoledCase& c = GetParam();
  const int couplers = c.width * (c.height - 1) + c.height * (c.width - 1);
  const Chip chip =
      generatedChip(c.width, c.height, static_cast<double>(c.holes) / (c.width * c.height),
                    static_cast<double>(c.cuts) / couplers, 5);
  const std::string text = chipLayersCircuit(chip, c.depth, 9);
  const std::vector<std::pair<int, int>> edges = gatesOf(text);
  expectEmbedding(embedGraph(chip.liveCount(), edges, chip, 20000000), edges, chip);
}

INSTANTIATE_TEST_SUITE_P(
    Chips, PerfectOnHoledChips,
    testing::Values(HoledCase{"Small", 5, 5, 3, 2, 10}, HoledCase{"Medium", 8, 8, 6, 5, 20},
                    HoledCase{"Sparse", 8, 6, 4, 3, 2}, HoledCase{"Large", 12, 12, 10, 8, 50},
                    // Few layers on a large chip: loose patterns that must pack tightly.
                    HoledCase{"LooseOnFewHoles", 16, 16, 12, 8, 3},
                    HoledCase{"LooseOnManyHoles", 16, 16, 102, 8, 5}),
    [](const testing::TestParamInfo<HoledCase>& info) { return info.param.name; });

class QuekoOnSycamore : public testing::TestWithParam<std::string> {};

// Every QUEKO circuit for Sycamore has a placement without SWAPs by construction; the search
// finds one on the bundled Sycamore chip within the bound of `more`.
TEST_P(QuekoOnSycamore, Embeds) {
  std::ifstream in(std::string(QUEKO_DIR) + "/" + GetParam() + ".qasm");
  ASSERT_TRUE(in) << GetParam();
  std::vector<std::pair<int, int>> edges;
  for (std::string line; std::getline(in, line);) {
    int a = 0, b = 0;
    if (std::sscanf(line.c_str(), "cx q[%d], q[%d]", &a, &b) == 2) edges.emplace_back(a, b);
  }
  ASSERT_FALSE(edges.empty());
  // The circuit's qubits q[0] .. q[53] are the vertices.
  const Chip chip = readChip(std::string(CHIPS_DIR) + "/sycamore54.chip");
  expectEmbedding(embedGraph(chip.liveCount(), edges, chip, planFor(Effort::kMore, 3).perfectWork),
                  edges, chip);
}

std::vector<std::string> quekoNames() {
  std::vector<std::string> names;
  for (const char* cycles : {"05", "15", "25", "35"}) {
    for (int k = 5; k <= 9; ++k)
      names.push_back(std::string("54QBT_") + cycles + "CYC_QSE_" + std::to_string(k));
  }
  return names;
}

INSTANTIATE_TEST_SUITE_P(Circuits, QuekoOnSycamore, testing::ValuesIn(quekoNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

struct AbsentCase {
  std::string name;
  int vertices;
  std::vector<std::pair<int, int>> edges;
  int width, height;
};

class NoPerfectPlacement : public testing::TestWithParam<AbsentCase> {};

// Graphs that cannot embed are proved absent within a small bound, and the level still maps
// the circuit by routing.
TEST_P(NoPerfectPlacement, IsProvedAbsent) {
  const AbsentCase& c = GetParam();
  const Chip chip = Chip::grid(c.width, c.height);
  EXPECT_EQ(embedGraph(c.vertices, c.edges, chip, 100000).status, EmbedStatus::kAbsent);
  EXPECT_EQ(satEmbedding(c.vertices, c.edges, chip, 100000).status, EmbedStatus::kAbsent);
  std::ostringstream text;
  text << ".qubit " << c.vertices << "\n";
  for (int q = 0; q < c.vertices; ++q)
    text << "qubit q" << q << "\n";
  text << ".begin\n";
  for (const auto& [a, b] : c.edges)
    text << "CNOT q" << a << " q" << b << "\n";
  text << ".end\n";
  InterActGraph graph(circuitFile(text.str()), c.width, c.height, -1);
  const SearchResult result = searchMapping(graph, planFor(Effort::kMore, 3), 2);
  EXPECT_EQ(result.embedding, EmbedStatus::kAbsent);
  EXPECT_GT(result.costs.first, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Graphs, NoPerfectPlacement,
    testing::Values(
        AbsentCase{"Triangle", 3, {{0, 1}, {1, 2}, {2, 0}}, 3, 3},
        AbsentCase{"DegreeFive", 6, {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}}, 3, 3},
        AbsentCase{"K23OnALine", 5, {{0, 2}, {0, 3}, {0, 4}, {1, 2}, {1, 3}, {1, 4}}, 8, 1},
        // Two grid sites share at most two neighbours: only the search can tell.
        AbsentCase{"K23OnAGrid", 5, {{0, 2}, {0, 3}, {0, 4}, {1, 2}, {1, 3}, {1, 4}}, 4, 4}),
    [](const testing::TestParamInfo<AbsentCase>& info) { return info.param.name; });

// A sparse pattern that fills the grid with no site to spare: the depth-first search runs out of
// its bound, the SAT solver packs it within a few conflicts, the same way every time.
TEST(SatEmbedding, FindsTheTightPackingTheDepthFirstSearchMisses) {
  const Chip chip = Chip::grid(6, 6);
  const std::vector<std::pair<int, int>> edges = gatesOf(neighbourLayersCircuit(6, 6, 4, 1004));
  EXPECT_EQ(embedGraph(36, edges, chip, 2000000).status, EmbedStatus::kUnknown);
  const Embedding found = satEmbedding(36, edges, chip, 20000);
  expectEmbedding(found, edges, chip);
  const Embedding again = satEmbedding(36, edges, chip, 20000);
  ASSERT_EQ(again.sites.size(), found.sites.size());
  for (std::size_t v = 0; v < found.sites.size(); ++v)
    EXPECT_TRUE(again.sites[v] == found.sites[v]) << v;
  // Too few conflicts to decide is no answer, not a wrong one.
  EXPECT_NE(satEmbedding(36, edges, chip, 0).status, EmbedStatus::kAbsent);
}

// The top level asks the solver when its own search ends without an answer, and maps without
// a SWAP a circuit that `more` has to route.
TEST(SatEmbedding, MaxMapsWithoutASwapWhatTheSearchLeavesOpen) {
  if (!gen::kOptimised) GTEST_SKIP() << "the top level's bound takes long unoptimised";
  const std::string path = circuitFile(neighbourLayersCircuit(10, 10, 4, 1004));
  InterActGraph more(path, 10, 10, -1);
  EXPECT_EQ(searchMapping(more, planFor(Effort::kMore, 3), 2).embedding, EmbedStatus::kUnknown);
  InterActGraph graph(path, 10, 10, -1);
  const SearchResult result = searchMapping(graph, planFor(Effort::kMax, 3), 2);
  EXPECT_EQ(result.embedding, EmbedStatus::kFound);
  EXPECT_EQ(result.costs, RouteCosts(0, 0));
  const std::string out = testutil::tempDir() + "/sat.mapped.circ";
  const CheckResult check = writeMapping(graph, result, out, out + ".layout");
  EXPECT_NE(check.message.find(" 0 SWAPs inserted"), std::string::npos) << check.message;
}

// When the search runs out, the nearly perfect start is a whole placement that keeps the most
// qubits the search placed at once on couplers, each other qubit beside its placed partners
// where a free site allows: all but a few of the circuit's interactions sit on couplers.
TEST(NearlyPerfectStart, KeepsTheDeepestPartialEmbedding) {
  const std::string text = neighbourLayersCircuit(16, 16, 5, 1605);
  const InterActGraph graph(circuitFile(text), 16, 16, -1);
  AllocMatrix perfect, nearly;
  ASSERT_EQ(embeddedPlacement(graph, *graph.chip, 2000000, &perfect, &nearly),
            EmbedStatus::kUnknown);
  ASSERT_EQ(nearly.size(), 16u);
  std::vector<Location> at(graph.nodeNum, Location{-1, -1});
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int q = nearly[y][x];
      ASSERT_GE(q, 0);
      ASSERT_LT(q, graph.nodeNum);
      EXPECT_LT(at[q].x, 0) << "qubit " << q << " twice";
      at[q] = {x, y};
    }
  }
  std::set<std::pair<int, int>> interactions, coupled;
  for (const auto& [a, b] : gatesOf(text)) {
    interactions.insert({std::min(a, b), std::max(a, b)});
    if (graph.chip->coupled(at[a], at[b])) coupled.insert({std::min(a, b), std::max(a, b)});
  }
  // 312 of 321 here; filling the other qubits in index order keeps 297.
  EXPECT_GT(coupled.size() * 20, interactions.size() * 19)
      << coupled.size() << " of " << interactions.size();
}

// The bound of `more` grows with the circuit; the top level's larger bound reaches placements
// that it runs out before.
TEST(EmbeddingWorkBound, MaxFindsWhatMoreRunsOutOn) {
  const std::string text = neighbourLayersCircuit(10, 10, 4, 2);
  const InterActGraph graph(circuitFile(text), 10, 10, -1);
  const long long more = perfectBound(graph, planFor(Effort::kMore, 3));
  EXPECT_GT(more, planFor(Effort::kMore, 3).perfectWork);
  const Chip chip = Chip::grid(10, 10);
  const std::vector<std::pair<int, int>> edges = gatesOf(text);
  EXPECT_EQ(embedGraph(100, edges, chip, more).status, EmbedStatus::kUnknown);
  expectEmbedding(embedGraph(100, edges, chip, perfectBound(graph, planFor(Effort::kMax, 3))),
                  edges, chip);
}

// The search is bounded by work, not by the clock: the same answer and work with the machine
// kept busy by other threads, and a bound too small to finish gives kUnknown within it.
TEST(EmbeddingWorkBound, SameAnswerWithTheClockSlowed) {
  const Chip chip = Chip::grid(10, 10);
  const std::vector<std::pair<int, int>> edges = gatesOf(neighbourLayersCircuit(10, 10, 5, 1));
  for (long long limit : {50000LL, 2000000LL}) {
    const Embedding quiet = embedGraph(100, edges, chip, limit);
    std::atomic<bool> stop{false};
    std::vector<std::thread> busy;
    for (int t = 0; t < 3; ++t) {
      busy.emplace_back([&] {
        volatile unsigned x = 0;
        while (!stop)
          x = x * 33 + 1;
      });
    }
    const Embedding loaded = embedGraph(100, edges, chip, limit);
    stop = true;
    for (std::thread& t : busy)
      t.join();
    EXPECT_EQ(loaded.status, quiet.status);
    EXPECT_EQ(loaded.work, quiet.work);
    ASSERT_EQ(loaded.sites.size(), quiet.sites.size());
    for (std::size_t v = 0; v < quiet.sites.size(); ++v)
      EXPECT_TRUE(loaded.sites[v] == quiet.sites[v]) << v;
    if (quiet.status == EmbedStatus::kUnknown) {
      EXPECT_LE(quiet.work, limit + 4 * 100);
    }
  }
}

// A level whose embedding search runs out of work writes the same files on any thread count.
TEST(EmbeddingWorkBound, SameFilesForAnyThreadCountWhenTheSearchRunsOut) {
  const std::string path = circuitFile(neighbourLayersCircuit(10, 10, 5, 1));
  std::string first;
  for (int threads : {1, 3}) {
    InterActGraph graph(path, 10, 10, -1);
    const SearchResult result = searchMapping(graph, planFor(Effort::kMore, 3), threads);
    EXPECT_EQ(result.embedding, EmbedStatus::kUnknown);
    std::string circuit, layout;
    renderMapping(graph, result, circuit, layout);
    if (threads == 1) {
      first = circuit + layout;
    } else {
      EXPECT_EQ(circuit + layout, first);
    }
  }
}

struct DepthCase {
  std::string name;
  std::string gates;
  int depth;
};

class MappedDepth : public testing::TestWithParam<DepthCase> {};

// Two-qubit depth: gates on disjoint sites share a layer, a SWAP takes one, one-qubit gates
// and lines outside .begin .. .end take none.
TEST_P(MappedDepth, CountsTwoQubitLayers) {
  const std::string text = ".qubit 4\n\nqubit a\nqubit b\nqubit c\nqubit d\nCNOT a b \n.begin\n" +
                           GetParam().gates + ".end\nCNOT a b \n";
  EXPECT_EQ(twoQubitDepth(text), GetParam().depth);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MappedDepth,
    testing::Values(DepthCase{"Empty", "", 0},
                    DepthCase{"DisjointPairsShareALayer", "CNOT a b \nCZ c d \n", 1},
                    DepthCase{"SwapIsALayer", "CNOT a b \nSWAP b c\nCNOT c d \n", 3},
                    DepthCase{"OneQubitGatesTakeNone", "H a\nCNOT a b \nX b\nCNOT c d \n", 1},
                    DepthCase{"ChainsWait",
                              "CNOT a b \nCNOT c d \nCNOT b c\nCNOT a d \nCNOT a b \n", 3}),
    [](const testing::TestParamInfo<DepthCase>& info) { return info.param.name; });

}  // namespace
