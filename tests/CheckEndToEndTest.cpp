// gridswap-check as a program, and as the judge of every circuit gridswap maps here.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "check/CheckMapping.h"
#include "check/TextLines.h"

namespace {

const std::string kCheckDir = std::string(TEST_DATA_DIR) + "/check/";

testutil::RunResult runCheck(const std::vector<std::string>& args) {
  std::string command = GRIDSWAP_CHECK_BIN;
  for (const std::string& a : args)
    command += " " + testutil::quote(a);
  return testutil::run(command + " 2>&1");
}

TEST(CheckProgram, PrintsOkLineAndExitsZero) {
  const testutil::RunResult r = runCheck({kCheckDir + "small.circ", kCheckDir + "good.mapped"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "OK: 4 two-qubit gates, 1 SWAP inserted, grid 2x2, not restored\n");
}

TEST(CheckProgram, PrintsOneFailLineAndExitsOne) {
  const std::string mapped = kCheckDir + "wrong-qubit.mapped";
  const testutil::RunResult r =
      runCheck({kCheckDir + "small.circ", mapped, kCheckDir + "good.mapped.layout"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "FAIL " + mapped +
                       ":12: CNOT acts on qubits xxc0 and b, but input line 9 has a and b\n");
}

TEST(CheckProgram, UsageErrorExitsTwo) {
  const testutil::RunResult r = runCheck({kCheckDir + "small.circ"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out,
            "Usage: gridswap-check [--chip FILE] <input circuit> <mapped circuit> [<layout file>] "
            "(2 or 3 file "
            "names expected, not 1)\n");
}

TEST(CheckProgram, MissingDefaultLayoutExitsTwo) {
  // gate-distant.mapped has no layout file of its own name.
  const std::string mapped = kCheckDir + "gate-distant.mapped";
  const testutil::RunResult r = runCheck({kCheckDir + "small.circ", mapped});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "Cannot read file: " + mapped + ".layout\n");
}

// Number of two-qubit gate lines of a circuit file, counted apart from the checker.
int twoQubitGateLines(const std::string& path) {
  std::vector<std::string> lines;
  readLines(path, &lines);
  int count = 0;
  for (const std::string& line : lines) {
    const std::vector<std::string> tokens = whitespaceTokens(line);
    if (tokens.empty()) continue;
    for (const char* m : {"CNOT", "CZ", "CP", "SWAP", "GEO", "ZENO"})
      count += tokens[0] == m;
  }
  return count;
}

// The value printed after `key` on gridswap's report, or "" when it is not there.
std::string reportValue(const std::string& report, const std::string& key, char end) {
  const std::size_t at = report.find(key);
  if (at == std::string::npos) return "";
  const std::size_t from = at + key.size();
  return report.substr(from, report.find(end, from) - from);
}

// Circuits that gridswap maps within about a second each (the examples and the small QASMBench
// circuits; qugan_n71 takes several seconds and is left out).
std::vector<std::string> quickCircuits() {
  std::vector<std::string> paths;
  for (const char* name : {"abc", "ghz10", "qft4", "ring6"}) {
    paths.push_back(std::string(EXAMPLES_DIR) + "/" + name + ".circ");
  }
  for (const char* name :
       {"adder_n4", "adder_n10",  "bv_n70",    "dnn_n33",         "error_correctiond3_n5",
        "gcm_n13",  "hhl_n7",     "ising_n26", "knn_n67",         "multiplier_n15",
        "qaoa_n6",  "qec9xz_n17", "qf21_n15",  "qft_n18",         "qpe_n9",
        "qram_n20", "sat_n11",    "seca_n11",  "square_root_n18", "vqe_uccsd_n8"}) {
    paths.push_back(std::string(TEST_DATA_DIR) + "/qasmbench/qasmbench-" + name + ".circ");
  }
  return paths;
}

std::string circuitName(const testing::TestParamInfo<std::string>& info) {
  std::string name = info.param.substr(info.param.rfind('/') + 1);
  name = name.substr(0, name.rfind('.'));
  for (char& c : name) {
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

class MappedByGridswap : public testing::TestWithParam<std::string> {};

// gridswap's files pass the check, with every input gate, the SWAP count gridswap reports as
// costU, and the grid it reports.
TEST_P(MappedByGridswap, PassesTheCheck) {
  const std::string out = testutil::tempDir() + "/mapped.circ";
  const testutil::RunResult mapped = testutil::runGridswap({GetParam(), out, "1", "1", "3"});
  ASSERT_EQ(mapped.status, 0) << mapped.out;
  const std::string grid = reportValue(mapped.out, "(W,H)= (", ')');
  const std::string gridText =
      grid.substr(0, grid.find(',')) + "x" + grid.substr(grid.find(',') + 1);

  const testutil::RunResult check = runCheck({GetParam(), out});
  EXPECT_EQ(check.status, 0) << check.out;
  EXPECT_EQ(check.out.rfind("OK: " + std::to_string(twoQubitGateLines(GetParam())) +
                                " two-qubit gates, " + reportValue(mapped.out, "costU= ", '\n') +
                                " SWAPs inserted, grid " + gridText + ", ",
                            0),
            0u)
      << check.out;
}

INSTANTIATE_TEST_SUITE_P(Circuits, MappedByGridswap, testing::ValuesIn(quickCircuits()),
                         circuitName);

class RoutedWithRestore : public testing::TestWithParam<std::string> {};

// Routing with the restoring SWAPs written before ".end" (output mode 2) gives a circuit that
// passes and ends restored, with as many SWAPs as the router counts in costR.
TEST_P(RoutedWithRestore, PassesAndEndsRestored) {
  const std::string out = testutil::tempDir() + "/restored.circ";
  InterActGraph graph(GetParam(), 1, 1, -1);
  graph.resetGrid();
  ASSERT_TRUE(graph.mapToGrid(0));
  const RouteCosts costs = graph.insertSwap2(out, 3, 2);
  const CheckResult result = checkMapping(GetParam(), out, out + ".layout");
  EXPECT_EQ(result.status, 0) << result.message;
  const std::string tail = std::to_string(costs.second) + " SWAPs inserted, grid " +
                           std::to_string(graph.grid.width) + "x" +
                           std::to_string(graph.grid.height) + ", restored";
  EXPECT_NE(result.message.find(tail), std::string::npos) << result.message;
}

INSTANTIATE_TEST_SUITE_P(Examples, RoutedWithRestore,
                         testing::Values(std::string(EXAMPLES_DIR) + "/ghz10.circ",
                                         std::string(EXAMPLES_DIR) + "/qft4.circ",
                                         std::string(EXAMPLES_DIR) + "/ring6.circ",
                                         std::string(TEST_DATA_DIR) +
                                             "/qasmbench/qasmbench-qft_n18.circ"),
                         circuitName);

}  // namespace
