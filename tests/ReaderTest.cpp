// The circuit reader: line kinds, grid sizing, filler qubits and the rejection of malformed
// circuits.
#include <gtest/gtest.h>

#include "TestUtil.h"

using testutil::readCircuit;

namespace {

const char* const kAbc =
    ".qubit 3\nqubit a\nqubit b\nqubit c\n.begin\nH a\nCNOT a b\nCZ b c\nCNOT b a\n.end\n";

TEST(Reader, ExampleCircuitFillsTablesAndCounts) {
  auto g = readCircuit(kAbc, 2, 2);
  ASSERT_EQ(g->readError, "");
  EXPECT_EQ(g->qubitNum, 3);
  EXPECT_EQ(g->nodeNum, 4);
  EXPECT_EQ(g->gateNum, 3);
  EXPECT_EQ(g->nameToIdx.at("a"), 0);
  EXPECT_EQ(g->nameToIdx.at("c"), 2);
  EXPECT_EQ(g->idxToName.at(3), "xxc0");
  EXPECT_EQ(g->circuitText, kAbc);
  EXPECT_EQ(g->grid.width, 2);
  EXPECT_EQ(g->workGrid.height, 2);
}

TEST(Reader, LastLineWithoutLineFeedIsReadAndTextEndsWithOne) {
  auto g = readCircuit("qubit a\nqubit b\n.begin\nCNOT a b\n.end", 2, 1);
  ASSERT_EQ(g->readError, "");
  EXPECT_EQ(g->gateNum, 1);
  EXPECT_EQ(g->circuitText, "qubit a\nqubit b\n.begin\nCNOT a b\n.end\n");
}

TEST(Reader, CrlfTabsAndBlankLinesChangeNothing) {
  auto g = readCircuit("qubit a\r\n\tqubit\tb\r\n.begin\r\n\r\n   \nCNOT\ta b\r\n.end\r\n", 2, 1);
  ASSERT_EQ(g->readError, "");
  EXPECT_EQ(g->qubitNum, 2);
  EXPECT_EQ(g->gateNum, 1);
  EXPECT_EQ(g->nameToIdx.count("b"), 1u);
  EXPECT_EQ(g->nameToIdx.count("b\r"), 0u);
  ASSERT_EQ(g->lines.size(), 7u);
  EXPECT_EQ(g->lines[5].kind, CircuitLine::kGate);
}

TEST(Reader, CommentNeedsHashAsItsOwnTokenButOtherLinesAreSkippedAnyway) {
  auto g = readCircuit("# qubit z\n#qubit y\nqubit a\nqubit b\n.begin\n#CNOT a b\nCNOT a b\n.end\n",
                       2, 1);
  ASSERT_EQ(g->readError, "");
  EXPECT_EQ(g->qubitNum, 2);
  EXPECT_EQ(g->gateNum, 1);
}

TEST(Reader, GatesBeforeBeginAndOneQubitLinesAfterEndAreRead) {
  auto g = readCircuit("qubit a\nqubit b\nCZ a b\n.begin\nCNOT a b\n.end\nH a\n# done\n", 2, 1);
  ASSERT_EQ(g->readError, "");
  EXPECT_EQ(g->gateNum, 2);
  EXPECT_EQ(g->nodes[0].act, 2);
}

TEST(Reader, GateLimitAdmitsTheFirstGatesButCountsAll) {
  const std::string text =
      "qubit a\nqubit b\nqubit c\n.begin\nCNOT a b\nCNOT b c\nCNOT a c\n.end\n";
  auto zero = readCircuit(text, 3, 1, 0);
  EXPECT_EQ(zero->gateNum, 3);
  EXPECT_EQ(boost::num_edges(zero->graph), 1u);
  auto one = readCircuit(text, 3, 1, 1);
  EXPECT_EQ(boost::num_edges(one->graph), 2u);
  auto none = readCircuit(text, 3, 1, -2);
  EXPECT_EQ(boost::num_edges(none->graph), 0u);
  EXPECT_EQ(none->gateNum, 3);
}

TEST(Reader, GateLinesKeepTheirTrailingField) {
  auto g = readCircuit("qubit a\nqubit b\n.begin\nCP a b 0.5 extra\nCNOT b a\n.end\n", 2, 1);
  ASSERT_EQ(g->readError, "");
  EXPECT_EQ(g->lines[3].mnemonic(g->circuitText), "CP");
  EXPECT_EQ(g->lines[3].trailing(g->circuitText), "0.5");
  EXPECT_EQ(g->lines[4].q1, 1);
  EXPECT_EQ(g->lines[4].q2, 0);
  EXPECT_EQ(g->lines[4].trailing(g->circuitText), "");
}

TEST(Reader, ExactlySixMnemonicsAreTwoQubitGates) {
  for (const char* gate : {"CNOT", "CZ", "CP", "SWAP", "GEO", "ZENO"})
    EXPECT_TRUE(isTwoQubitGate(gate)) << gate;
  for (const char* other : {"", "C", "CX", "CY", "Cz", "cnot", "PC", "CZZ", "CPP", "GE", "GEOS",
                            "SWA", "SWAPS", "ZEN", "ZENOS", "CNOTX", "ZENZ", "SWAQ", "GEP"})
    EXPECT_FALSE(isTwoQubitGate(other)) << other;
}

// Grid sizing: requested size, enlargement and the filler qubits that fill spare sites.
struct SizingCase {
  const char* name;
  int qubits;
  int W;
  int H;
  int expectW;
  int expectH;
};

class GridSizing : public testing::TestWithParam<SizingCase> {};

TEST_P(GridSizing, ChoosesGridAndFillsEverySite) {
  const SizingCase& c = GetParam();
  std::string text;
  for (int i = 0; i < c.qubits; ++i)
    text += "qubit q" + std::to_string(i) + "\n";
  text += ".begin\n.end\n";
  auto g = readCircuit(text, c.W, c.H);
  ASSERT_EQ(g->readError, "");
  EXPECT_EQ(g->workGrid.width, c.expectW);
  EXPECT_EQ(g->workGrid.height, c.expectH);
  EXPECT_EQ(g->grid.width, c.expectW);
  EXPECT_EQ(g->qubitNum, c.qubits);
  EXPECT_EQ(g->nodeNum, c.expectW * c.expectH);
  EXPECT_EQ(static_cast<int>(g->nodes.size()), g->nodeNum);
  EXPECT_EQ(static_cast<int>(g->idxToName.size()), g->nodeNum);
}

INSTANTIATE_TEST_SUITE_P(Reader, GridSizing,
                         testing::Values(SizingCase{"FiveQubitsOnDefaultGrid", 5, 1, 1, 2, 3},
                                         SizingCase{"TenQubits", 10, 1, 1, 3, 4},
                                         SizingCase{"SixteenQubitsExactSquare", 16, 1, 1, 4, 4},
                                         SizingCase{"SeventeenQubits", 17, 1, 1, 4, 5},
                                         SizingCase{"LargeEnoughRequestKept", 12, 4, 4, 4, 4},
                                         SizingCase{"ExactRequestNoFiller", 6, 3, 2, 3, 2},
                                         SizingCase{"ZeroWidthEnlarged", 3, 0, 7, 2, 2},
                                         SizingCase{"NoQubitsKeepsRequest", 0, 2, 2, 2, 2}),
                         [](const testing::TestParamInfo<SizingCase>& info) {
                           return info.param.name;
                         });

TEST(Reader, FillerNamesFollowTheCharacterTableThenDecimal) {
  std::string text = "qubit a\n.begin\n.end\n";
  auto g = readCircuit(text, 10, 10);
  ASSERT_EQ(g->nodeNum, 100);
  EXPECT_EQ(g->idxToName.at(1), "xxc0");
  EXPECT_EQ(g->idxToName.at(10), "xxc9");
  EXPECT_EQ(g->idxToName.at(11), "xxc:");
  EXPECT_EQ(g->idxToName.at(79), "xxc~");
  EXPECT_EQ(g->idxToName.at(80), "xxc79");
  EXPECT_EQ(g->idxToName.at(99), "xxc98");
  EXPECT_EQ(g->nameToIdx.size(), 100u);
}

TEST(Reader, FillerNamesSkipDeclaredNames) {
  auto g = readCircuit("qubit xxc0\nqubit xxc2\n.begin\n.end\n", 2, 2);
  ASSERT_EQ(g->readError, "");
  EXPECT_EQ(g->idxToName.at(2), "xxc1");
  EXPECT_EQ(g->idxToName.at(3), "xxc3");
  EXPECT_EQ(g->nameToIdx.size(), 4u);
}

TEST(Reader, GridsUpTo256By256AreBuiltAndLargerOnesRefusedUnbuilt) {
  std::string full;
  for (int i = 0; i < 65536; ++i)
    full += "qubit q" + std::to_string(i) + "\n";
  auto g = readCircuit(full + ".begin\n.end\n");
  ASSERT_EQ(g->readError, "");
  EXPECT_EQ(g->grid.width, 256);
  EXPECT_EQ(g->grid.height, 256);
  g = readCircuit(full + "qubit one-more\n.begin\n.end\n");
  EXPECT_EQ(g->readError, "Grid too large: at most 256 x 256 sites");
  EXPECT_EQ(g->nodeNum, 65536);
  for (const auto& [W, H] : {std::pair{257, 1}, std::pair{1, 300}}) {
    g = readCircuit("qubit a\n.begin\n.end\n", W, H);
    EXPECT_EQ(g->readError, "Grid too large: at most 256 x 256 sites");
    EXPECT_EQ(g->grid.width, 0);
    EXPECT_EQ(g->nodeNum, 1);
  }
}

// Malformed circuits: the first offending line is reported with its exact reason.
struct RejectCase {
  const char* name;
  const char* text;
  const char* message;
};

class Rejection : public testing::TestWithParam<RejectCase> {};

TEST_P(Rejection, ReportsFirstOffendingLine) {
  auto g = readCircuit(GetParam().text, 1, 1);
  EXPECT_EQ(g->readError, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, Rejection,
    testing::Values(RejectCase{"QubitWithoutName", "qubit a\nqubit \n.begin\n.end\n",
                               "Malformed circuit, line 2: qubit line without a name"},
                    RejectCase{"DeclaredTwice", "qubit a\nqubit a\n.begin\n.end\n",
                               "Malformed circuit, line 2: qubit a declared twice"},
                    RejectCase{"DeclaredAfterBegin", "qubit a\n.begin\nqubit b\n.end\n",
                               "Malformed circuit, line 3: qubit b declared after .begin"},
                    RejectCase{"TwiceWinsOverAfterBegin", "qubit a\n.begin\nqubit a\n.end\n",
                               "Malformed circuit, line 3: qubit a declared twice"},
                    RejectCase{"SecondBegin", "qubit a\n.begin\n.begin\n.end\n",
                               "Malformed circuit, line 3: second .begin line"},
                    RejectCase{"GateWithOneOperand", "qubit a\n.begin\nCZ a\n.end\n",
                               "Malformed circuit, line 3: CZ needs two qubit operands"},
                    RejectCase{"UndeclaredOperand", "qubit a\n.begin\nCNOT a z\n.end\n",
                               "Malformed circuit, line 3: undeclared qubit z"},
                    RejectCase{"UndeclaredBeforeSameQubit", "qubit a\n.begin\nCNOT z z\n.end\n",
                               "Malformed circuit, line 3: undeclared qubit z"},
                    RejectCase{"FillerNameIsUndeclared", "qubit a\n.begin\nCNOT a xxc0\n.end\n",
                               "Malformed circuit, line 3: undeclared qubit xxc0"},
                    RejectCase{"OperandDeclaredLater", "qubit a\nCNOT a b\nqubit b\n.begin\n.end\n",
                               "Malformed circuit, line 2: undeclared qubit b"},
                    RejectCase{"SameQubitTwice", "qubit a\n.begin\nSWAP a a\n.end\n",
                               "Malformed circuit, line 3: SWAP acts twice on qubit a"},
                    RejectCase{"EndBeforeBegin", "qubit a\n.end\n.begin\n",
                               "Malformed circuit, line 2: .end before .begin"},
                    RejectCase{"SecondEnd", "qubit a\n.begin\n.end\n.end\n",
                               "Malformed circuit, line 4: second .end line"},
                    RejectCase{"GateAfterEnd", "qubit a\nqubit b\n.begin\n.end\nGEO a b\n",
                               "Malformed circuit, line 5: GEO after .end"},
                    RejectCase{"FirstOffenceWins", "qubit a\nqubit a\nCNOT a z\n.begin\n.end\n",
                               "Malformed circuit, line 2: qubit a declared twice"},
                    RejectCase{"NoBegin", "qubit a\n", "Malformed circuit: no .begin line"},
                    RejectCase{"EmptyFile", "", "Malformed circuit: no .begin line"},
                    RejectCase{"NoEnd", "qubit a\n.begin\nH a\n",
                               "Malformed circuit: no .end line"}),
    [](const testing::TestParamInfo<RejectCase>& info) { return info.param.name; });

}  // namespace
