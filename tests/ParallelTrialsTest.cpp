// Trials on worker threads: whole runs give the same bytes for any number of workers, the
// trial-range function gives every seed's costs as the single-threaded face does, the worker
// setting is checked before anything is read, and the router's entry point for a given
// sequence of lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <thread>

#include "Generators.h"
#include "TestUtil.h"
#include "driver/Driver.h"
#include "driver/Progress.h"
#include "driver/TrialRunner.h"
#include "driver/Trials.h"
#include "driver/Workers.h"
#include "routing/MappedOutput.h"
#include "routing/Routers.h"

namespace {

const int kWorkerCounts[] = {1, 2, 3, 7};

// A whole in-process run with `workers` workers: exit status, report without its time line,
// mapped circuit and layout file.
std::string wholeRun(std::vector<std::string> args, int workers) {
  args.insert(args.begin(), "gridswap");
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  DriverOptions options;
  options.workers = workers;
  std::remove(args[2].c_str());
  std::remove((args[2] + ".layout").c_str());
  std::ostringstream report;
  const int status = runGridswap(static_cast<int>(argv.size()), argv.data(), report, options);
  std::string text = report.str();
  const std::size_t time = text.find(" ***Synthesis Time=");
  if (time != std::string::npos) text.erase(time);
  return std::to_string(status) + "\n" + text + "--circuit--\n" + testutil::readFile(args[2]) +
         "--layout--\n" + testutil::readFile(args[2] + ".layout");
}

// Every circuit file kept with the tests.
std::vector<std::string> dataCircuits() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(TEST_DATA_DIR)) {
    if (entry.path().extension() == ".circ") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

class SameBytesForAnyWorkerCount : public testing::TestWithParam<std::string> {};

TEST_P(SameBytesForAnyWorkerCount, ReportCircuitAndLayout) {
  const std::string out = testutil::tempDir() + "/out.circ";
  const std::string one = wholeRun({GetParam(), out}, 1);
  EXPECT_NE(one.find("costU= "), std::string::npos) << one;
  for (int workers : kWorkerCounts) {
    EXPECT_EQ(wholeRun({GetParam(), out}, workers), one) << workers << " workers";
  }
}

INSTANTIATE_TEST_SUITE_P(DataCircuits, SameBytesForAnyWorkerCount,
                         testing::ValuesIn(dataCircuits()), [](const auto& info) {
                           std::string name = std::filesystem::path(info.param).stem().string();
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// A generated circuit: no gate at all, gates on two qubits only, or random gates, so that many
// have seeds of equal costU.
std::string generatedCircuit(std::mt19937& rng, int qubits) {
  std::ostringstream text;
  for (int q = 0; q < qubits; ++q)
    text << "qubit q" << q << "\n";
  text << ".begin\n";
  const int kind = gen::uniform(rng, 0, 4);
  const int gates = kind == 0 ? 0 : gen::uniform(rng, 1, kind == 1 ? 4 : 60);
  for (int g = 0; g < gates && qubits > 1; ++g) {
    const int u = kind == 1 ? 0 : gen::uniform(rng, 0, qubits - 1);
    const int v = kind == 1 ? 1 : (u + gen::uniform(rng, 1, qubits - 1)) % qubits;
    text << (g % 3 == 0 ? "CZ q" : "CNOT q") << u << " q" << v << "\n";
    if (g % 5 == 0) text << "H q" << u << "\n";
  }
  text << ".end\n";
  return text.str();
}

// The layout the single-threaded face writes for `seed`.
std::string faceLayout(InterActGraph& graph, int seed, int window) {
  graph.resetGrid();
  EXPECT_TRUE(graph.mapToGrid(seed));
  std::string layout;
  RouteOutput out;
  out.layoutText = &layout;
  graph.routeWindowed(window, 1, out);
  return layout;
}

TEST(ParallelTrials, GeneratedCircuitsGiveTheSameBytesAndTheFirstBestSeedWins) {
  std::mt19937 rng(1212);
  const std::string dir = testutil::tempDir();
  const std::string in = dir + "/in.circ";
  const std::string out = dir + "/out.circ";
  int ties = 0;
  int laterSeedWins = 0;
  for (int i = 0; i < gen::cases(220, 12) && !HasFailure(); ++i) {
    // Often fewer qubits than the largest worker count.
    const int qubits = gen::uniform(rng, 1, gen::chance(rng, 0.4) ? 6 : 24);
    const std::string text = generatedCircuit(rng, qubits);
    testutil::writeFile(in, text);
    // The 1 x 1 request, a grid just large enough or short, or one with many spare sites.
    const int W = gen::chance(rng, 0.3) ? 1 : gen::uniform(rng, 1, 9);
    const int H = W == 1 && gen::chance(rng, 0.5) ? 1 : gen::uniform(rng, 1, 9);
    const int window = gen::uniform(rng, 0, 10);
    const std::vector<std::string> args{in, out, std::to_string(W), std::to_string(H),
                                        std::to_string(window)};
    const std::string one = wholeRun(args, 1);
    for (int workers : {2, 3, 7})
      ASSERT_EQ(wholeRun(args, workers), one) << text << workers << " workers";
    // The files are those of the first seed with the smallest costU.
    InterActGraph graph(in, W, H, -1);
    const std::vector<TrialResult> results = runTrialRange(graph, window, 0, graph.qubitNum);
    const int best = bestTrial(results);
    ASSERT_GE(best, 0);
    EXPECT_EQ(testutil::readFile(out + ".layout"), faceLayout(graph, best, window)) << text;
    for (int seed = best + 1; seed < graph.qubitNum; ++seed)
      ties += results[seed].costU == results[best].costU;
    laterSeedWins += best > 0;
  }
  if (gen::kOptimised) {
    EXPECT_GT(ties, 100);
    EXPECT_GT(laterSeedWins, 20);
  }
}

// Every seed of a circuit through the single-threaded face: (costB, costU, costR).
std::vector<std::vector<int>> faceCosts(InterActGraph& graph, int window) {
  std::vector<std::vector<int>> costs;
  for (int seed = 0; seed < graph.qubitNum; ++seed) {
    graph.resetGrid();
    EXPECT_TRUE(graph.mapToGrid(seed));
    RouteOutput none;
    const RouteCosts c = graph.routeWindowed(window, 1, none);
    costs.push_back({graph.baselineCost(), c.first, c.second});
  }
  return costs;
}

std::vector<std::vector<int>> rangeCosts(const std::vector<TrialResult>& results) {
  std::vector<std::vector<int>> costs;
  for (const TrialResult& r : results) {
    EXPECT_EQ(r.status, TrialStatus::kDone);
    costs.push_back({r.costB, r.costU, r.costR});
  }
  return costs;
}

TEST(TrialRange, EverySeedCostsWhatTheSingleThreadedFaceGives) {
  std::mt19937 rng(99);
  std::vector<std::string> files;
  for (const std::string& file : dataCircuits()) {
    if (file.find("qasmbench") != std::string::npos) files.push_back(file);
  }
  ASSERT_GE(files.size(), 20u);
  for (const std::string& file : files) {
    InterActGraph graph(file, 1, 1, -1);
    if (!gen::kOptimised && graph.qubitNum > 40) continue;
    const int window = gen::uniform(rng, 0, 10);
    const std::vector<std::vector<int>> expected = faceCosts(graph, window);
    EXPECT_EQ(rangeCosts(runTrialRange(graph, window, 0, graph.qubitNum)), expected) << file;
    // Any sub-range gives its slice.
    const int first = gen::uniform(rng, 0, graph.qubitNum);
    const int last = gen::uniform(rng, first, graph.qubitNum);
    EXPECT_EQ(rangeCosts(runTrialRange(graph, window, first, last)),
              std::vector<std::vector<int>>(expected.begin() + first, expected.begin() + last))
        << file << " [" << first << ", " << last << ")";
  }
}

TEST(TrialRange, RangesOnSeveralThreadsAtOnceShareOneModel) {
  InterActGraph graph(TEST_DATA_DIR "/qasmbench/qasmbench-qft_n18.circ", 1, 1, -1);
  const std::vector<std::vector<int>> expected = faceCosts(graph, 3);
  const CircuitModel& model = graph;
  std::vector<std::vector<TrialResult>> parts(3);
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&, t] { parts[t] = runTrialRange(model, 3, t * 6, t * 6 + 6); });
  }
  for (std::thread& t : threads)
    t.join();
  std::vector<TrialResult> all;
  for (const auto& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  EXPECT_EQ(rangeCosts(all), expected);
}

TEST(TrialRange, TheFirstTrialAloneDecidesOnThreadsWithoutChangingAnyResult) {
  InterActGraph graph(TEST_DATA_DIR "/qasmbench/qasmbench-dnn_n33.circ", 1, 1, -1);
  const std::vector<std::vector<int>> expected = faceCosts(graph, 3);
  // Never worth a thread, always worth one, and no first trial alone.
  for (double minSeconds : {1e9, 1e-9, 0.0}) {
    Progress quiet(nullptr, graph.qubitNum);
    EXPECT_EQ(rangeCosts(runAllTrials(graph, 3, 3, fastSteps(), quiet, minSeconds)), expected)
        << minSeconds;
  }
}

// The GRIDSWAP_THREADS setting of the gridswap program.
struct ThreadSetting {
  const char* name;
  const char* value;
};

void PrintTo(const ThreadSetting& setting, std::ostream* out) {
  *out << '"' << setting.value << '"';
}

class InvalidThreadSetting : public testing::TestWithParam<ThreadSetting> {};

TEST_P(InvalidThreadSetting, OneLineOnStandardErrorAndStatusOneBeforeReading) {
  const std::string dir = testutil::tempDir();
  // The input does not exist: the setting is refused before the input is looked at.
  const std::string command = "GRIDSWAP_THREADS=" + testutil::quote(GetParam().value) + " " +
                              GRIDSWAP_BIN + " " + dir + "/missing.circ " + dir +
                              "/out.circ 2>&1 >" + dir + "/stdout";
  const testutil::RunResult r = testutil::run(command);
  EXPECT_EQ(r.out, "Invalid GRIDSWAP_THREADS=\"" + std::string(GetParam().value) +
                       "\": the number of worker threads must be a whole number from 1 to "
                       "1024\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(testutil::readFile(dir + "/stdout"), "");
  EXPECT_FALSE(std::filesystem::exists(dir + "/out.circ"));
}

INSTANTIATE_TEST_SUITE_P(
    Values, InvalidThreadSetting,
    testing::Values(ThreadSetting{"Zero", "0"}, ThreadSetting{"Negative", "-2"},
                    ThreadSetting{"Word", "abc"}, ThreadSetting{"Empty", ""},
                    ThreadSetting{"TrailingLetter", "2x"}, ThreadSetting{"Plus", "+2"},
                    ThreadSetting{"AboveLimit", "1025"}, ThreadSetting{"Huge", "99999999999"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ThreadSetting, ValidValuesAndTheDefault) {
  int workers = 0;
  std::string error;
  ASSERT_TRUE(workersFromSetting("1", workers, error));
  EXPECT_EQ(workers, 1);
  ASSERT_TRUE(workersFromSetting("1024", workers, error));
  EXPECT_EQ(workers, 1024);
  ASSERT_TRUE(workersFromSetting(nullptr, workers, error));
  EXPECT_EQ(workers, availableCpus());
  EXPECT_GE(workers, 1);
  EXPECT_EQ(error, "");
}

TEST(ThreadSetting, ProgramGivesTheSameBytesWithSevenWorkersAsWithOne) {
  const std::string dir = testutil::tempDir();
  const std::string in = TEST_DATA_DIR "/qasmbench/qasmbench-dnn_n33.circ";
  std::string outputs[2];
  for (int i = 0; i < 2; ++i) {
    const std::string out = dir + "/out" + std::to_string(i) + ".circ";
    const testutil::RunResult r =
        testutil::run(std::string("GRIDSWAP_THREADS=") + (i == 0 ? "1 " : "7 ") + GRIDSWAP_BIN +
                      " " + in + " " + out + " 2>" + dir + "/stderr");
    ASSERT_EQ(r.status, 0);
    outputs[i] = r.out.substr(0, r.out.find(" ***Synthesis Time=")) + testutil::readFile(out) +
                 testutil::readFile(out + ".layout");
    // Standard error is no terminal here: nothing is written to it.
    EXPECT_EQ(testutil::readFile(dir + "/stderr"), "");
  }
  EXPECT_EQ(outputs[0], outputs[1]);
}

TEST(Progress, SilentForTheFirstSecondThenOneRewrittenLineClearedAtTheEnd) {
  std::ostringstream out;
  Progress progress(&out, 4);
  progress.trialDone(9);
  progress.finish();
  EXPECT_EQ(out.str(), "");
  Progress slow(&out, 4);
  slow.trialDone(9);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  slow.trialDone(5);
  const std::string line = out.str();
  EXPECT_EQ(line.rfind("\rgridswap: trials 2/4, best costU 5, 1 s elapsed, about 1 s left", 0), 0u)
      << line;
  slow.finish();
  const std::size_t length = line.size() - 1;
  EXPECT_EQ(out.str(), line + "\r" + std::string(length, ' ') + "\r");
  // Nothing is written when there is no terminal to write to.
  Progress none(nullptr, 4);
  none.trialDone(1);
  none.finish();
}

TEST(WindowedRouter, RefusesAPlacementWithAQubitOnTwoSites) {
  const auto graph = testutil::readCircuit("qubit a\nqubit b\n.begin\nCNOT a b\n.end\n", 3, 1);
  graph->resetGrid();
  ASSERT_TRUE(graph->mapToGrid(0));
  graph->grid.allocationMap = {{0, 1, 0}};
  RouteOutput none;
  EXPECT_THROW(graph->routeWindowed(3, 1, none), std::invalid_argument);
  graph->grid.allocationMap = {{0, 1, 7}};
  EXPECT_THROW(graph->routeWindowed(3, 1, none), std::invalid_argument);
}

// The text of a circuit with the gate lines of `text` in reverse order.
std::string reversedGates(const std::string& text) {
  std::vector<std::string> lines = testutil::splitLines(text);
  const auto begin = std::find(lines.begin(), lines.end(), ".begin") + 1;
  const auto end = std::find(lines.begin(), lines.end(), ".end");
  std::reverse(begin, end);
  std::string out;
  for (const std::string& line : lines)
    out += line + "\n";
  return out;
}

TEST(RouteGates, ForwardEqualsTheRouterAndBackwardsEqualsTheReversedCircuit) {
  std::mt19937 rng(4711);
  int swaps = 0;
  for (int i = 0; i < gen::cases(60, 6) && !HasFailure(); ++i) {
    const int qubits = gen::uniform(rng, 2, 20);
    std::ostringstream text;
    for (int q = 0; q < qubits; ++q)
      text << "qubit q" << q << "\n";
    text << ".begin\n";
    for (int g = gen::uniform(rng, 1, 80); g > 0; --g) {
      const int u = gen::uniform(rng, 0, qubits - 1);
      text << "CNOT q" << u << " q" << (u + gen::uniform(rng, 1, qubits - 1)) % qubits << "\n";
    }
    text << ".end\n";
    const int window = gen::uniform(rng, 0, 10);
    const auto graph = testutil::readCircuit(text.str());
    graph->resetGrid();
    ASSERT_TRUE(graph->mapToGrid(gen::uniform(rng, 0, qubits - 1)));
    const AllocMatrix start = graph->grid.allocationMap;
    // Forward: the router's costU, and the layout it writes at .end.
    std::string layout;
    RouteOutput out;
    out.layoutText = &layout;
    const RouteCosts costs = graph->routeWindowed(window, 1, out);
    AllocMatrix placement = start;
    EXPECT_EQ(routeGates(*graph, graph->workspace, graph->lines, window, placement), costs.first);
    EXPECT_EQ(layoutText(placement, graph->grid.width, graph->grid.height, *graph), layout);
    swaps += costs.first;
    // Backwards over the model's lines, against the circuit written backwards.
    const auto reversed = testutil::readCircuit(reversedGates(text.str()));
    TrialWorkspace ws(*reversed);
    AllocMatrix back = start;
    AllocMatrix expected = start;
    EXPECT_EQ(routeGates(*graph, graph->workspace, LineView(graph->lines, true), window, back),
              routeGates(*reversed, ws, reversed->lines, window, expected));
    EXPECT_EQ(back, expected);
  }
  EXPECT_GT(swaps, 0);
}

}  // namespace
