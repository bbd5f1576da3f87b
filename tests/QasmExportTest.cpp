// The OpenQASM export of mapped circuits, and the whole road: import, map with gridswap, check,
// export, and read the export back.
#include <gtest/gtest.h>

#include <random>

#include "CircSim.h"
#include "TestUtil.h"
#include "check/CheckMapping.h"
#include "check/MappedCircuit.h"
#include "driver/InterActGraph.h"
#include "qasm/QasmError.h"
#include "qasm/QasmExport.h"
#include "qasm/QasmImport.h"

using testutil::writeFile;

namespace {

// Sites a c / xxc0 b; one inserted SWAP moves a to the site named xxc0 and xxc0 to site a.
const std::string kMapped =
    "# example\n.qubit 4\n\nqubit a\nqubit b\nqubit c\nqubit xxc0\n.begin\nH a\nSWAP a xxc0\n"
    "CNOT xxc0 b \nRz a 0.5\nCZ b c \nCP b xxc0 0.25\nSWAP b xxc0 \n\nGEO c a 1.5\nZENO a c \n"
    "Prep0 b\nSdg xxc0\n#no space\nU3 c 0.1 0.2 -3e-05\n.end\n";
const std::string kFinalLayout = "xxc0 c \na b \n";

class Export : public testing::Test {
 protected:
  void SetUp() override {
    dir = testutil::tempDir();
    mapped = dir + "/m.circ";
    layout = dir + "/m.circ.layout";
  }
  // Exports `text` with `layoutText`; the error as "LINE: message" when it stops.
  std::string exportText(const std::string& text, const std::string& layoutText = kFinalLayout) {
    writeFile(mapped, text);
    writeFile(layout, layoutText);
    MappedCircuit circuit;
    const CheckResult read = readMappedCircuit(mapped, layout, &circuit);
    if (!read.ok()) return read.message;
    ExportCounts counts;
    try {
      return exportQasm(circuit, &counts);
    } catch (const QasmError& e) {
      return std::to_string(e.line) + ": " + e.what();
    }
  }
  std::string dir;
  std::string mapped;
  std::string layout;
};

// The classical lines of fixed form: registers declared, measure, reset and barrier on the
// index where their qubits stand at that point, a condition on the statement after it (inserted
// SWAPs in between stay unconditioned), and registers that only measurements name.
TEST_F(Export, WritesClassicalLinesOnTheQubitsWhereTheyStand) {
  const std::string text =
      "# creg c[2]\n.qubit 4\n\nqubit a\nqubit b\nqubit c\nqubit xxc0\n.begin\n"
      "# measure a -> c[1]\n# if c==2\nSWAP a xxc0\nCNOT xxc0 b \n# barrier a b\n"
      "# if c==1\n# reset a\n# measure a -> m[3]\n# if c==0\n# measure c -> c[0]\n"
      "# a comment\n.end\n";
  const std::string qasm = exportText(text);
  EXPECT_EQ(qasm.substr(qasm.find("qreg")),
            "qreg q[4];\ncreg c[2];\ncreg m[4];\nmeasure q[0] -> c[1];\nswap q[0],q[2];\n"
            "if(c==2) cx q[2],q[3];\nbarrier q[2],q[3];\nif(c==1) reset q[2];\n"
            "measure q[2] -> m[3];\nif(c==0) measure q[1] -> c[0];\n// a comment\n");
}

TEST_F(Export, WritesEveryKindOfLine) {
  EXPECT_EQ(exportText(kMapped),
            "// " + mapped +
                " exported by gridswap-qasm\n"
                "// grid 2 x 2: site (x, y) is q[y*2 + x]\n"
                "// initial placement:\n//   a at q[0]\n//   b at q[3]\n//   c at q[1]\n"
                "//   xxc0 at q[2]\n"
                "// final placement:\n//   a at q[2]\n//   b at q[3]\n//   c at q[1]\n"
                "//   xxc0 at q[0]\n"
                "OPENQASM 2.0;\ninclude \"qelib1.inc\";\nopaque GEO(p) a,b;\nopaque ZENO a,b;\n"
                "qreg q[4];\n"
                "// example\nh q[0];\nswap q[0],q[2];\ncx q[2],q[3];\nrz(0.5) q[2];\n"
                "cz q[3],q[1];\ncu1(0.25) q[3],q[2];\nswap q[3],q[2];\nGEO(1.5) q[1],q[0];\n"
                "ZENO q[0],q[1];\nreset q[3];\nsdg q[0];\n//no space\n"
                "u3(0.1,0.2,-3e-05) q[1];\n");
}

// A mapped circuit whose gate on line 9 is `line`, and the message export stops with.
struct ExportReject {
  std::string name;
  std::string line;
  std::string error;
};

class ExportRejects : public Export, public testing::WithParamInterface<ExportReject> {};

TEST_P(ExportRejects, NamesTheLine) {
  const std::string text = ".qubit 4\n\nqubit a\nqubit b\nqubit c\nqubit xxc0\n.begin\nGEO a c \n" +
                           GetParam().line + "\n.end\n";
  EXPECT_EQ(exportText(text, "a c \nxxc0 b \n"), "9: " + GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ExportRejects,
    testing::Values(
        ExportReject{"UnknownGate", "Foo a", "unknown gate Foo"},
        ExportReject{"TwoQubitMnemonicLowercase", "cx a c", "unknown gate cx"},
        ExportReject{"MissingAngle", "Rz a", "Rz takes a qubit and 1 angle: \"Rz a\""},
        ExportReject{"ExtraAngle", "H a 0.5", "H takes a qubit and no angle: \"H a 0.5\""},
        ExportReject{"AngleNotANumber", "U1 a pi", "U1 needs a number as angle, found \"pi\""},
        ExportReject{"AngleInfinite", "Rx a inf", "Rx needs a number as angle, found \"inf\""},
        ExportReject{"AngleOverflows", "Ry a 1e999", "Ry needs a number as angle, found \"1e999\""},
        ExportReject{"CPWithoutAngle", "CP a c ", "CP needs a number as angle, found \"\""},
        ExportReject{"UnknownQubit", "T z", "unknown qubit z"},
        ExportReject{"GeoWithAndWithoutParameter", "GEO c a 0.5",
                     "GEO is used both with and without a parameter"},
        ExportReject{"MalformedMeasure", "# measure a c[0]",
                     "expected \"# measure QUBIT -> NAME[BIT]\""},
        ExportReject{"MalformedCondition", "# if c=1", "expected \"# if NAME==VALUE\""},
        ExportReject{"ResetOfTwoQubits", "# reset a b", "expected \"# reset QUBIT\""},
        ExportReject{"ConditionWithoutRegister", "# if c==1\nX a",
                     "condition on undeclared classical register c"},
        ExportReject{"ConditionBeforeBarrier", "# if c==1\n# barrier a\n# measure a -> c[0]",
                     "a condition must be followed by a gate, measure or reset"}),
    [](const testing::TestParamInfo<ExportReject>& info) { return info.param.name; });

// The program: its summary, and faults of the reader and of the export as FILE:LINE lines.
TEST_F(Export, CommandLine) {
  const std::string out = dir + "/out.qasm";
  const std::string command =
      std::string(GRIDSWAP_QASM_BIN) + " export " + mapped + " " + layout + " " + out;
  writeFile(mapped, kMapped);
  auto r = testutil::run(command);
  EXPECT_EQ(r.out, "Cannot read file: " + layout + "\n");
  writeFile(layout, "xxc0 c \na e \n");
  r = testutil::run(command);
  EXPECT_EQ(r.out, layout + ":2: \"e\" is not declared in the mapped circuit's header\n");
  EXPECT_EQ(r.status, 1);
  writeFile(mapped, kMapped + "Measure a\n");
  writeFile(layout, kFinalLayout);
  r = testutil::run(command);
  EXPECT_EQ(r.out, mapped + ":24: unknown gate Measure\n");
  EXPECT_EQ(r.status, 1);
  writeFile(mapped, kMapped);
  r = testutil::run(command);
  EXPECT_EQ(r.out,
            out + ": grid 2 x 2, 6 two-qubit gates, 1 inserted swap, 4 one-qubit gates, 1 reset\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(testutil::readFile(out), exportText(kMapped));
  // Without the layout argument the layout is the mapped circuit's name followed by ".layout".
  std::remove(out.c_str());
  r = testutil::run(std::string(GRIDSWAP_QASM_BIN) + " export " + mapped + " " + out);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(testutil::readFile(out), exportText(kMapped));
  r = testutil::run(std::string(GRIDSWAP_QASM_BIN) + " export " + mapped + " " + layout + " " +
                    layout);
  EXPECT_EQ(r.out, "Output file would overwrite the input file: " + layout + "\n");
  EXPECT_EQ(testutil::readFile(layout), kFinalLayout);
}

// --- The whole road -----------------------------------------------------------------------

// Runs a state through a circuit whose qubits are the names given, in that order.
circsim::State runOn(const std::vector<std::string>& names, const std::vector<std::string>& gates,
                     circsim::State s) {
  std::string text = ".qubit " + std::to_string(names.size()) + "\n";
  for (const std::string& n : names)
    text += "qubit " + n + "\n";
  text += ".begin\n";
  for (const std::string& g : gates)
    text += g + "\n";
  const std::string failed = circsim::run(circsim::parseCirc(text + ".end\n"), s);
  EXPECT_EQ(failed, "");
  return s;
}

struct RoadCase {
  std::string source;  // base name in tests/data/qasmbench
  std::string grid;    // "W H" requested from gridswap
  bool simulate;       // small enough to compare states (grid of at most 12 sites)
  bool restore;        // route with the restoring SWAPs written (output mode 2)
};

void PrintTo(const RoadCase& c, std::ostream* os) {
  *os << c.source << " on " << c.grid;
}

class WholeRoad : public testing::TestWithParam<RoadCase> {};

TEST_P(WholeRoad, ExportUsesNeighboursOnlyAndComputesTheSameState) {
  const RoadCase& c = GetParam();
  const std::string dir = testutil::tempDir();
  const std::string source = std::string(TEST_DATA_DIR) + "/qasmbench/" + c.source + ".qasm";
  const std::string circ = dir + "/in.circ";
  const std::string out = dir + "/mapped.circ";
  const std::string qasm = dir + "/mapped.qasm";

  auto r = testutil::run(std::string(GRIDSWAP_QASM_BIN) + " import " + source + " " + circ);
  ASSERT_EQ(r.status, 0) << r.out;
  const int width = std::stoi(c.grid);
  const int height = std::stoi(c.grid.substr(c.grid.find(' ') + 1));
  if (c.restore) {
    InterActGraph graph(circ, width, height, -1);
    graph.resetGrid();
    ASSERT_TRUE(graph.mapToGrid(0));
    graph.insertSwap2(out, 3, 2);
  } else {
    r = testutil::runGridswap({circ, out, std::to_string(width), std::to_string(height), "3"});
    ASSERT_EQ(r.status, 0) << r.out;
  }
  const CheckResult check = checkMapping(circ, out, out + ".layout");
  ASSERT_TRUE(check.ok()) << check.message;
  r = testutil::run(std::string(GRIDSWAP_QASM_BIN) + " export " + out + " " + out + ".layout " +
                    qasm);
  ASSERT_EQ(r.status, 0) << r.out;

  // Read the export back: one register, every two-qubit gate on neighbouring sites.
  const std::string exported = testutil::readFile(qasm);
  const CircCircuit back = importQasm(exported, qasm, {});
  const testutil::Placements p = testutil::readPlacements(exported);
  ASSERT_EQ(p.width, width);
  ASSERT_EQ(p.height, height);
  ASSERT_EQ(back.qubits.size(), static_cast<std::size_t>(width * height));
  const circsim::Circuit physical = circsim::parseCirc(circText(back));
  int twoQubit = 0;
  for (const std::vector<std::string>& g : physical.gates) {
    if (g[0] != "CNOT" && g[0] != "CZ" && g[0] != "CP" && g[0] != "SWAP") continue;
    const int a = physical.index.at(g[1]);
    const int b = physical.index.at(g[2]);
    EXPECT_EQ(std::abs(a % width - b % width) + std::abs(a / width - b / width), 1)
        << g[0] << " " << g[1] << " " << g[2];
    ++twoQubit;
  }
  const CircCircuit original = importQasm(testutil::readFile(source), source, {});
  EXPECT_GE(twoQubit, original.twoQubitGates);
  EXPECT_EQ(back.oneQubitGates, original.oneQubitGates);
  if (c.restore) {
    EXPECT_EQ(p.final, p.initial);
  }
  if (!c.simulate) return;

  // A random state of all sites' qubits (declared and filler), in the listed order: the
  // original circuit on it must equal the export run on the placed state, read back through
  // the final placement.
  ASSERT_EQ(p.names.size(), static_cast<std::size_t>(width * height));
  std::mt19937 random(7);
  std::normal_distribution<double> normal;
  circsim::State logical(std::size_t{1} << p.names.size());
  for (circsim::Amp& a : logical)
    a = {normal(random), normal(random)};
  const circsim::State want = runOn(p.names, original.lines, logical);
  circsim::State placed = circsim::permuted(logical, p.initial);
  ASSERT_EQ(circsim::run(physical, placed), "");
  std::vector<int> back_to_logical(p.final.size());
  for (std::size_t k = 0; k < p.final.size(); ++k)
    back_to_logical[p.final[k]] = static_cast<int>(k);
  const circsim::State got = circsim::permuted(placed, back_to_logical);
  circsim::Amp overlap = 0;
  double norm = 0;
  for (std::size_t i = 0; i < want.size(); ++i) {
    overlap += std::conj(want[i]) * got[i];
    norm += std::norm(want[i]);
  }
  EXPECT_NEAR(std::abs(overlap) / norm, 1.0, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(QasmBench, WholeRoad,
                         testing::Values(RoadCase{"qasmbench-adder_n4", "2 3", true, false},
                                         RoadCase{"qasmbench-adder_n10", "3 4", true, false},
                                         RoadCase{"qasmbench-error_correctiond3_n5", "2 3", true,
                                                  false},
                                         RoadCase{"qasmbench-hhl_n7", "3 3", true, false},
                                         RoadCase{"qasmbench-qpe_n9", "3 3", true, true},
                                         RoadCase{"qasmbench-qaoa_n6", "2 4", true, true},
                                         RoadCase{"qasmbench-qft_n18", "4 5", false, false},
                                         RoadCase{"qasmbench-multiplier_n15", "4 4", false, true},
                                         RoadCase{"qasmbench-dnn_n33", "6 6", false, false}),
                         [](const testing::TestParamInfo<RoadCase>& info) {
                           std::string name = info.param.source.substr(10);
                           return name + (info.param.restore ? "_restored" : "");
                         });

}  // namespace
