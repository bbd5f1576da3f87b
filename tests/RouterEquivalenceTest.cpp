// The whole windowed routing, and the whole program, with the fast searches against the
// reference versions: generated circuits, generated placements and the small corpus circuits
// must give the same text, layouts and costs.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "Generators.h"
#include "TestUtil.h"
#include "driver/Driver.h"
#include "reference/ReferenceVersions.h"
#include "routing/Routers.h"

namespace {

// What one windowed routing produced.
struct Routed {
  RouteCosts costs;
  std::string circuit;
  std::string layout;
};

Routed route(InterActGraph& graph, int window, int outputMode, bool literal,
             const std::string& layoutPath, Weighting weighting = Weighting::kEven) {
  std::remove(layoutPath.c_str());
  std::ostringstream circuit;
  RouteOutput out;
  out.circuit = &circuit;
  out.layoutPath = layoutPath;
  Routed r;
  r.costs = literal
                ? routeWindowedReference(graph, graph.workspace, window, weighting, outputMode, out)
                : routeWindowed(graph, graph.workspace, window, weighting, outputMode, out);
  r.circuit = circuit.str();
  r.layout = testutil::readFile(layoutPath);
  return r;
}

// Routes the placement in graph.grid in both versions and output modes 0 to 2; returns how
// many SWAPs the routing needed.
int expectSameRouting(InterActGraph& graph, int window, const std::string& dir,
                      const std::string& what) {
  const AllocMatrix placement = graph.grid.allocationMap;
  int swaps = 0;
  for (int mode = 0; mode <= 2; ++mode) {
    const Routed fast = route(graph, window, mode, false, dir + "/fast.layout");
    const Routed literal = route(graph, window, mode, true, dir + "/literal.layout");
    EXPECT_EQ(fast.costs, literal.costs) << what << " mode " << mode;
    EXPECT_EQ(fast.circuit, literal.circuit) << what << " mode " << mode;
    EXPECT_EQ(fast.layout, literal.layout) << what << " mode " << mode;
    EXPECT_EQ(graph.grid.allocationMap, placement) << what;
    swaps = fast.costs.first;
  }
  return swaps;
}

const char* const kMnemonics[] = {"CNOT", "CZ", "CP", "SWAP", "GEO", "ZENO"};

// White space between tokens as circuit files have it: mostly one space, sometimes tabs or runs.
std::string gap(std::mt19937& rng) {
  const char* const gaps[] = {" ", " ", " ", " ", "\t", "  ", " \t "};
  return gaps[gen::uniform(rng, 0, 6)];
}

// A circuit of `qubits` qubits and about `gates` two-qubit gates, mostly between nearby qubit
// numbers, with one-qubit gates, comments, blank lines, trailing fields, uneven white space, CR
// line ends, a gate before .begin and lines after .end mixed in.
std::string randomCircuit(std::mt19937& rng, int qubits, int gates) {
  std::ostringstream text;
  if (gen::chance(rng, 0.5)) text << ".qubit " << qubits << "\n";
  for (int q = 0; q < qubits; ++q)
    text << "qubit" << gap(rng) << "q" << q << "\n";
  if (gen::chance(rng, 0.2)) text << "CNOT q0 q" << qubits - 1 << "\n";
  text << ".begin\n";
  for (int g = 0; g < gates; ++g) {
    const int u = gen::uniform(rng, 0, qubits - 1);
    int v = gen::chance(rng, 0.6) ? u + gen::uniform(rng, -3, 3) : gen::uniform(rng, 0, qubits - 1);
    v = std::min(std::max(v, 0), qubits - 1);
    if (v == u) v = (u + 1) % qubits;
    if (gen::chance(rng, 0.05)) text << gap(rng);
    text << kMnemonics[gen::uniform(rng, 0, 5)] << gap(rng) << "q" << u << gap(rng) << "q" << v;
    if (gen::chance(rng, 0.2)) text << gap(rng) << "0.25";
    if (gen::chance(rng, 0.05)) text << gap(rng) << "0.5 extra";
    text << (gen::chance(rng, 0.05) ? "\r\n" : "\n");
    const int extra = gen::uniform(rng, 0, 9);
    if (extra == 0) text << "H q" << u << "\n";
    if (extra == 1) text << "# note\n";
    if (extra == 2) text << "\n";
  }
  text << ".end\n";
  if (gen::chance(rng, 0.2)) text << "# after the end\n";
  return text.str();
}

TEST(RouterEquivalence, GeneratedCircuitsGreedyPlacements) {
  std::mt19937 rng(8128);
  const std::string dir = testutil::tempDir();
  int swaps = 0;
  for (int i = 0; i < gen::cases(120, 8) && !testing::Test::HasFailure(); ++i) {
    const int qubits = gen::uniform(rng, 2, 40);
    const std::string text = randomCircuit(rng, qubits, gen::uniform(rng, 1, 150));
    // The default request, which the reader enlarges, or a roomier grid with filler qubits.
    const bool roomy = gen::chance(rng, 0.3);
    const auto graph =
        testutil::readCircuit(text, roomy ? gen::uniform(rng, 1, 8) : 1, roomy ? 8 : 1);
    ASSERT_TRUE(graph->readError.empty()) << graph->readError;
    for (int seed : {0, gen::uniform(rng, 0, qubits - 1)}) {
      graph->resetGrid();
      ASSERT_TRUE(graph->mapToGrid(seed));
      const int window = gen::uniform(rng, 0, 10);
      swaps += expectSameRouting(
          *graph, window, dir,
          text + "seed " + std::to_string(seed) + " window " + std::to_string(window));
    }
  }
  EXPECT_GT(swaps, 100);
}

TEST(RouterEquivalence, GeneratedCircuitsScrambledPlacementsWithEmptySites) {
  std::mt19937 rng(4096);
  const std::string dir = testutil::tempDir();
  for (int i = 0; i < gen::cases(120, 8) && !testing::Test::HasFailure(); ++i) {
    const int qubits = gen::uniform(rng, 2, 36);
    const std::string text = randomCircuit(rng, qubits, gen::uniform(rng, 1, 120));
    const auto graph = testutil::readCircuit(text);
    ASSERT_TRUE(graph->readError.empty()) << graph->readError;
    graph->resetGrid();
    ASSERT_TRUE(graph->mapToGrid(0));
    // Any arrangement of the qubits, some of them taken off the grid (they count as (0, 0)).
    graph->grid.allocationMap = gen::placement(rng, graph->grid.width, graph->grid.height,
                                               graph->nodeNum, gen::chance(rng, 0.5) ? 0.0 : 0.15);
    expectSameRouting(*graph, gen::uniform(rng, 0, 10), dir, text);
  }
}

// Graded weighting counts each buffered gate by its weight; the reference prices that by
// repeating the gate in the buffer, the fast router by multiplying. The two must agree, and the
// weighting must change some routings, or it would be weighing nothing.
TEST(RouterEquivalence, GradedWindowsCountGatesAsRepeatedInTheBuffer) {
  std::mt19937 rng(2718);
  const std::string dir = testutil::tempDir();
  int changed = 0;
  for (int i = 0; i < gen::cases(60, 6) && !testing::Test::HasFailure(); ++i) {
    const int qubits = gen::uniform(rng, 2, 30);
    const std::string text = randomCircuit(rng, qubits, gen::uniform(rng, 1, 120));
    const auto graph = testutil::readCircuit(text, gen::uniform(rng, 1, 7), 7);
    ASSERT_TRUE(graph->readError.empty()) << graph->readError;
    graph->resetGrid();
    ASSERT_TRUE(graph->mapToGrid(gen::uniform(rng, 0, qubits - 1)));
    const int window = gen::uniform(rng, 2, 16);
    const std::string what = text + "window " + std::to_string(window);
    const Routed fast = route(*graph, window, 1, false, dir + "/fast.layout", Weighting::kGraded);
    const Routed literal =
        route(*graph, window, 1, true, dir + "/literal.layout", Weighting::kGraded);
    EXPECT_EQ(fast.costs, literal.costs) << what;
    EXPECT_EQ(fast.circuit, literal.circuit) << what;
    EXPECT_EQ(fast.layout, literal.layout) << what;
    changed += fast.circuit != route(*graph, window, 1, false, dir + "/even.layout").circuit;
  }
  EXPECT_GT(changed, 0);
}

// The small corpus circuits kept with the tests.
std::vector<std::string> corpus() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(TEST_DATA_DIR "/qasmbench")) {
    if (entry.path().extension() == ".circ") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(RouterEquivalence, SmallCorpusCircuits) {
  const std::string dir = testutil::tempDir();
  const std::vector<std::string> files = corpus();
  ASSERT_GE(files.size(), 20u);
  for (const std::string& file : files) {
    InterActGraph graph(file, 1, 1, -1);
    // The reference router is slow in unoptimised builds; they take the smaller circuits.
    if (!gen::kOptimised && graph.qubitNum > 40) continue;
    const int last = graph.qubitNum - 1;
    // Seed 0 at window 3; in optimised builds also the last seed and windows 0 and 10.
    std::vector<std::pair<int, int>> runs{{0, 3}};
    if (gen::kOptimised) {
      runs.push_back({last, 3});
      runs.push_back({last / 2, 0});
      runs.push_back({last / 2, 10});
    }
    for (const auto& [seed, window] : runs) {
      graph.resetGrid();
      ASSERT_TRUE(graph.mapToGrid(seed));
      expectSameRouting(
          graph, window, dir,
          file + " seed " + std::to_string(seed) + " window " + std::to_string(window));
    }
  }
}

// Runs the program in-process on `input`; returns its report without the time line and the
// two files it wrote.
std::string runProgram(const std::vector<std::string>& args, bool literal) {
  DriverOptions options;
  if (literal) options.steps = &referenceSteps();
  std::vector<std::string> argv{"gridswap"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& a : argv)
    pointers.push_back(a.data());
  testing::internal::CaptureStdout();
  const int status =
      runGridswap(static_cast<int>(pointers.size()), pointers.data(), std::cout, options);
  std::string report = testing::internal::GetCapturedStdout();
  report.erase(report.find(" ***Synthesis Time="));
  return std::to_string(status) + "\n" + report + testutil::readFile(args[1]) + "--layout--\n" +
         testutil::readFile(args[1] + ".layout");
}

TEST(ProgramEquivalence, ReportAndFilesOfWholeRuns) {
  const std::string dir = testutil::tempDir();
  const std::vector<std::string> files = corpus();
  std::vector<std::vector<std::string>> runs{
      {EXAMPLES_DIR "/ghz10.circ", dir + "/out.circ", "3", "4", "3"},
      {EXAMPLES_DIR "/qft4.circ", dir + "/out.circ", "5", "5", "2"},
      {EXAMPLES_DIR "/ring6.circ", dir + "/out.circ"},
      {files.front(), dir + "/out.circ"},
      {TEST_DATA_DIR "/qasmbench/qasmbench-qft_n18.circ", dir + "/out.circ", "1", "1", "7"},
  };
  if (gen::kOptimised)
    runs.push_back({TEST_DATA_DIR "/qasmbench/qasmbench-dnn_n33.circ", dir + "/out.circ"});
  for (const auto& args : runs) {
    const std::string fast = runProgram(args, false);
    const std::string literal = runProgram(args, true);
    EXPECT_EQ(fast, literal) << args[0];
    EXPECT_NE(fast.find("costU= "), std::string::npos) << fast;
  }
}

}  // namespace
