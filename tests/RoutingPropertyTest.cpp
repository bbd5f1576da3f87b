// Property test of the whole routing: every mapped circuit that gridswap writes for generated
// circuits, grids and windows is judged by the independent checker.
#include <gtest/gtest.h>

#include <random>

#include "TestUtil.h"
#include "check/CheckMapping.h"

namespace {

// A random circuit: every two-qubit mnemonic, fourth fields, one-qubit lines, comments and
// blank lines, on `qubits` declared qubits.
std::string randomCircuit(std::mt19937& rng, int qubits, int gates) {
  static const char* const kGates[] = {"CNOT", "CZ", "CP", "SWAP", "GEO", "ZENO"};
  std::string text = "# generated\n.qubit " + std::to_string(qubits) + "\n";
  for (int i = 0; i < qubits; ++i)
    text += "qubit q" + std::to_string(i) + "\n";
  text += ".begin\n";
  for (int k = 0; k < gates; ++k) {
    const int a = static_cast<int>(rng() % qubits);
    switch (rng() % 8) {
      case 0:
        text += "H q" + std::to_string(a) + "\n";
        continue;
      case 1:
        text += (rng() % 2) ? "# a comment\n" : "\n";
        continue;
      default:
        break;
    }
    const int b = (a + 1 + static_cast<int>(rng() % (qubits - 1))) % qubits;
    const char* gate = kGates[rng() % 6];
    text += std::string(gate) + " q" + std::to_string(a) + " q" + std::to_string(b);
    if (rng() % 3 == 0) text += " 0." + std::to_string(rng() % 1000);
    text += "\n";
  }
  return text + ".end\n";
}

// The number after `key` in a checker summary line.
int countBefore(const std::string& summary, const std::string& key) {
  const std::size_t end = summary.find(key);
  const std::size_t start = summary.rfind(' ', end - 1) + 1;
  return std::stoi(summary.substr(start, end - start));
}

class RoutingProperty : public testing::TestWithParam<int> {};

TEST_P(RoutingProperty, MappedCircuitsPassTheIndependentCheck) {
  std::mt19937 rng(GetParam());
  const int qubits = 2 + static_cast<int>(rng() % 18);
  const std::string text = randomCircuit(rng, qubits, static_cast<int>(rng() % 60));
  const int W = static_cast<int>(rng() % 7);
  const int H = static_cast<int>(rng() % 7);
  const int window = static_cast<int>(rng() % 11);
  const std::string dir = testutil::tempDir();
  const std::string input = dir + "/in.circ";
  testutil::writeFile(input, text);

  InterActGraph graph(input, W, H, -1);
  graph.resetGrid();
  ASSERT_TRUE(graph.mapToGrid(static_cast<int>(rng() % graph.qubitNum)));
  for (int mode : {1, 2}) {
    const std::string out = dir + "/out" + std::to_string(mode) + ".circ";
    const RouteCosts costs = graph.insertSwap2(out, window, mode);
    const CheckResult result = checkMapping(input, out, out + ".layout");
    ASSERT_TRUE(result.ok()) << result.message << "\n" << text;
    if (mode == 1) {
      EXPECT_EQ(countBefore(result.message, " SWAP"), costs.first) << text;
    } else {
      EXPECT_EQ(countBefore(result.message, " SWAP"), costs.second) << text;
      EXPECT_NE(result.message.find(", restored"), std::string::npos) << result.message;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Generated, RoutingProperty, testing::Range(1, 301));

}  // namespace
