// gridswap-check, gridswap-draw and gridswap-qasm export on a chip: tests/data/chip/holed.chip
// is a 3 x 2 grid numbered by columns whose qubit 4 at (2,0) is broken and whose coupler 2-3,
// between (1,0) and (1,1), cannot be used. holed.mapped is tests/data/check/small.circ mapped
// onto it by hand; every other layout there carries one defect.
#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>

#include "CircSim.h"
#include "TestUtil.h"
#include "check/CheckMapping.h"
#include "check/MappedCircuit.h"
#include "chip/Chip.h"
#include "draw/DrawTool.h"
#include "qasm/QasmExport.h"
#include "qasm/QasmImport.h"
#include "qasm/QasmMap.h"

using testutil::readFile;
using testutil::run;
using testutil::writeFile;

namespace {

const std::string kDir = std::string(TEST_DATA_DIR) + "/chip/";
const std::string kInput = std::string(TEST_DATA_DIR) + "/check/small.circ";
const std::string kMapped = kDir + "holed.mapped";

// The chip of holed.chip, built in code.
const Chip& holedChip() {
  static const Chip chip({{0, {0, 0}}, {1, {0, 1}}, {2, {1, 0}}, {3, {1, 1}}, {5, {2, 1}}},
                         {{2, 3}});
  return chip;
}

struct ChipFault {
  const char* name;    // the behaviour the case guards
  const char* layout;  // layout fixture for holed.mapped
  const char* file;    // the file the fault is reported in
  int line;            // the line it is reported at
  const char* what;    // the message after "FAIL <file>:<line>: "
};

void PrintTo(const ChipFault& c, std::ostream* os) {
  *os << c.name;
}

class CheckOnChip : public testing::TestWithParam<ChipFault> {};

TEST_P(CheckOnChip, RejectsAtItsLine) {
  const ChipFault& c = GetParam();
  const CheckResult result =
      checkMapping(kInput, kMapped, kDir + c.layout, &holedChip(), "holed.chip");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.message, "FAIL " + kDir + c.file + ":" + std::to_string(c.line) + ": " + c.what);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CheckOnChip,
    testing::Values(
        ChipFault{"QubitOnMissingSite", "on-missing-site.layout", "on-missing-site.layout", 1,
                  "(2,0) holds site xxc1, but the chip has no qubit there"},
        ChipFault{"EmptyWhereChipHasQubit", "dot-on-qubit.layout", "dot-on-qubit.layout", 1,
                  "(0,0) is \".\", but the chip has qubit 0 there"},
        ChipFault{"LayoutLargerThanChip", "wider.layout", "wider.layout", 1,
                  "layout is 4x2, but the chip's grid is 3x2"},
        ChipFault{"GateOnUnusableCoupler", "unusable-gate.layout", "holed.mapped", 12,
                  "sites a at (1,0) and b at (1,1) are adjacent, but the chip's coupler between "
                  "them is unusable"},
        ChipFault{"SwapOnUnusableCoupler", "unusable-swap.layout", "holed.mapped", 13,
                  "sites a at (1,0) and c at (1,1) are adjacent, but the chip's coupler between "
                  "them is unusable"},
        ChipFault{"GateOnNonNeighbours", "distant.layout", "holed.mapped", 12,
                  "sites a at (0,0) and b at (2,1) are 3 apart, not adjacent"}),
    [](const testing::TestParamInfo<ChipFault>& info) { return info.param.name; });

// The same files pass on the chip and, "." positions holding nothing, on the bare grid, where
// every coupler is usable; the summary says which.
TEST(CheckOnChip, SummaryNamesTheChipOrTheGrid) {
  EXPECT_EQ(checkMapping(kInput, kMapped, kMapped + ".layout", &holedChip(), "holed.chip").message,
            "OK: 4 two-qubit gates, 3 SWAPs inserted, chip holed.chip (5 qubits), not restored");
  EXPECT_EQ(checkMapping(kInput, kMapped, kMapped + ".layout").message,
            "OK: 4 two-qubit gates, 3 SWAPs inserted, grid 3x2, not restored");
  EXPECT_EQ(checkMapping(kInput, kMapped, kDir + "unusable-gate.layout").message,
            "OK: 4 two-qubit gates, 3 SWAPs inserted, grid 3x2, not restored");
}

// A "." in the layout is no site: a gate cannot name it. A circuit that declares a qubit named
// "." keeps it: there "." is that qubit, once.
TEST(CheckOnChip, EmptyPositionIsNoSiteUnlessAQubitIsNamedSo) {
  const std::string dir = testutil::tempDir();
  std::string text = readFile(kMapped);
  text.replace(text.find("CNOT a b "), 9, "CNOT a . ");
  writeFile(dir + "/m", text);
  EXPECT_EQ(checkMapping(kInput, dir + "/m", kMapped + ".layout").message,
            "FAIL " + dir + "/m:12: unknown site \".\"");

  writeFile(dir + "/dot", ".qubit 2\nqubit .\nqubit b\n.begin\nCNOT . b\n.end\n");
  writeFile(dir + "/dot.mapped", ".qubit 2\n\nqubit .\nqubit b\n.begin\nCNOT . b \n.end\n");
  writeFile(dir + "/dot.layout", ". b \n");
  EXPECT_EQ(checkMapping(dir + "/dot", dir + "/dot.mapped", dir + "/dot.layout").message,
            "OK: 1 two-qubit gate, 0 SWAPs inserted, grid 2x1, restored");
  writeFile(dir + "/dot.layout", ". b \n. . \n");
  EXPECT_EQ(checkMapping(dir + "/dot", dir + "/dot.mapped", dir + "/dot.layout").message,
            "FAIL " + dir + "/dot.layout:2: qubit \".\" appears twice (first on line 1)");
}

TEST(CheckOnChip, CommandLine) {
  const std::string check = std::string(GRIDSWAP_CHECK_BIN) + " ";
  auto r = run(check + "--chip " + kDir + "holed.chip " + kInput + " " + kMapped);
  EXPECT_EQ(r.out, "OK: 4 two-qubit gates, 3 SWAPs inserted, chip " + kDir +
                       "holed.chip (5 qubits), not restored\n");
  EXPECT_EQ(r.status, 0);
  r = run(check + kInput + " " + kMapped + " " + kDir + "on-missing-site.layout --chip=" + kDir +
          "holed.chip");
  EXPECT_EQ(r.out, "FAIL " + kDir +
                       "on-missing-site.layout:1: (2,0) holds site xxc1, but the chip has no "
                       "qubit there\n");
  EXPECT_EQ(r.status, 1);
  r = run(check + "--chip " + kDir + "no-such.chip " + kInput + " " + kMapped);
  EXPECT_EQ(r.out, "Cannot open file: " + kDir + "no-such.chip\n");
  EXPECT_EQ(r.status, 2);
  r = run(check + "--chip '' " + kInput + " " + kMapped + " 2>&1");
  EXPECT_EQ(r.out,
            "Usage: gridswap-check [--chip FILE] <input circuit> <mapped circuit> [<layout file>] "
            "(--chip needs a file name)\n");
  EXPECT_EQ(r.status, 2);
}

// --- gridswap-draw ------------------------------------------------------------------------

// The number of times `part` occurs in `text`.
int occurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++n;
  return n;
}

// The broken qubit's position gets no box and no edge; the unusable coupler is dashed on the
// chip and a plain edge without it.
TEST(DrawOnChip, LeavesMissingSitesBlankAndDashesUnusableCouplers) {
  const std::string dir = testutil::tempDir();
  const std::string svg = dir + "/chip.svg";
  const DrawResult drawn =
      drawMappingFile(kMapped, kMapped + ".layout", svg, nullptr, &holedChip(), "holed.chip");
  ASSERT_EQ(drawn.status, 0) << drawn.message;
  EXPECT_EQ(drawn.message,
            svg + ": chip holed.chip (5 qubits), 4 two-qubit gates, 3 inserted SWAPs");
  const std::string picture = readFile(svg);
  EXPECT_EQ(occurrences(picture, "<g class=\"site\">"), 5);
  EXPECT_EQ(occurrences(picture, "site (2,0)"), 0);
  EXPECT_EQ(occurrences(picture, "(2,0)-"), 0);
  EXPECT_EQ(occurrences(picture, "-(2,0)"), 0);
  EXPECT_EQ(occurrences(picture, "<g class=\"edge\">"), 4);
  const std::size_t dead = picture.find("edge (1,0)-(1,1): unusable coupler</title><line ");
  ASSERT_NE(dead, std::string::npos);
  const std::string line = picture.substr(dead, picture.find('\n', dead) - dead);
  EXPECT_NE(line.find(" stroke-dasharray=\""), std::string::npos) << line;
  EXPECT_EQ(occurrences(picture, "stroke-dasharray"), 2);  // the edge and its legend entry

  const DrawResult bare = drawMappingFile(kMapped, kMapped + ".layout", svg);
  ASSERT_EQ(bare.status, 0) << bare.message;
  EXPECT_EQ(bare.message, svg + ": grid 3 x 2, 4 two-qubit gates, 3 inserted SWAPs");
  const std::string grid = readFile(svg);
  EXPECT_EQ(occurrences(grid, "<g class=\"site\">"), 5);
  EXPECT_EQ(occurrences(grid, "(2,0)"), 0);
  EXPECT_EQ(occurrences(grid, "stroke-dasharray"), 0);
  EXPECT_EQ(occurrences(grid, "<title>edge (1,0)-(1,1): inserted SWAPs 0, two-qubit gates 0"), 1);
}

TEST(DrawOnChip, RefusesWhatTheCheckerRefuses) {
  const std::string dir = testutil::tempDir();
  const DrawResult drawn = drawMappingFile(kMapped, kDir + "unusable-swap.layout", dir + "/x.svg",
                                           nullptr, &holedChip(), "holed.chip");
  EXPECT_EQ(drawn.status, 1);
  EXPECT_EQ(drawn.message, "FAIL " + kMapped +
                               ":13: sites a at (1,0) and c at (1,1) are adjacent, but the chip's "
                               "coupler between them is unusable");
  const auto r = run(std::string(GRIDSWAP_DRAW_BIN) + " --chip " + kDir + "holed.chip " + kMapped +
                     " " + kDir + "dot-on-qubit.layout " + dir + "/y.svg 2>&1");
  const std::string layout = kDir + "dot-on-qubit.layout";
  EXPECT_EQ(r.out, "FAIL " + layout + ":1: (0,0) is \".\", but the chip has qubit 0 there\n");
  EXPECT_EQ(r.status, 1);
}

// --- gridswap-qasm export -----------------------------------------------------------------

// holed.mapped with one-qubit gates the simulator knows in place of Prep0, and its source.
const std::string kSource =
    ".qubit 3\nqubit a\nqubit b\nqubit c\n.begin\nH a\nRx c 0.3\nCNOT a b\nCZ b c\nT a\n"
    "CP b a 0.5\nSWAP c b\nH b\n.end\n";
const std::string kChipMapped =
    ".qubit 5\n\nqubit a\nqubit b\nqubit c\nqubit xxc0\nqubit xxc1\n.begin\nH a\nRx c 0.3\n"
    "CNOT a b \nSWAP a c\nCZ b a \nT a\nSWAP a c\nCP b a 0.5\nSWAP a b\nSWAP c a \nH b\n.end\n";
const std::string kChipLayout = "b a . \nc xxc0 xxc1 \n";

class ExportOnChip : public testing::Test {
 protected:
  void SetUp() override {
    dir = testutil::tempDir();
    writeFile(dir + "/in", kSource);
    writeFile(dir + "/m.circ", kChipMapped);
    writeFile(dir + "/m.circ.layout", kChipLayout);
    const CheckResult checked = checkMapping(dir + "/in", dir + "/m.circ", dir + "/m.circ.layout",
                                             &holedChip(), "holed.chip");
    ASSERT_TRUE(checked.ok()) << checked.message;
    ASSERT_TRUE(readMappedCircuit(dir + "/m.circ", dir + "/m.circ.layout", &mapped).ok());
  }
  std::string dir;
  MappedCircuit mapped;
};

// Sites a, b, c, xxc0, xxc1 stand on (0,0), (1,0), (0,1), (1,1), (2,1): the chip's qubits 0,
// 2, 1, 3 and 5; nothing touches the broken qubit 4.
TEST_F(ExportOnChip, AddressesTheChipsQubitsByTheirIndices) {
  ExportCounts counts;
  EXPECT_EQ(exportQasm(mapped, &counts, "", &holedChip(), "holed.chip"),
            "// " + dir +
                "/m.circ exported by gridswap-qasm\n"
                "// grid 3 x 2, chip holed.chip: q[i] is the chip's qubit of index i\n"
                "// initial placement:\n//   a at q[0]\n//   b at q[2]\n//   c at q[1]\n"
                "//   xxc0 at q[3]\n//   xxc1 at q[5]\n"
                "// final placement:\n//   a at q[2]\n//   b at q[0]\n//   c at q[1]\n"
                "//   xxc0 at q[3]\n//   xxc1 at q[5]\n"
                "OPENQASM 2.0;\ninclude \"qelib1.inc\";\nqreg q[6];\n"
                "h q[0];\nrx(0.3) q[1];\ncx q[0],q[2];\nswap q[0],q[1];\ncz q[2],q[0];\n"
                "t q[1];\nswap q[0],q[1];\ncu1(0.5) q[2],q[0];\nswap q[0],q[2];\n"
                "swap q[1],q[0];\nh q[0];\n");
}

// The export run on the placed state, read back through the final placement, is the source run
// on the same state; the broken qubit's index stays |0> and is never named.
TEST_F(ExportOnChip, ComputesTheSourcesStateOnTheChip) {
  ExportCounts counts;
  const std::string qasm = exportQasm(mapped, &counts, "", &holedChip(), "holed.chip");
  EXPECT_EQ(qasm.find("q[4]"), std::string::npos);
  const testutil::Placements p = testutil::readPlacements(qasm);
  ASSERT_EQ(p.names.size(), 5u);
  const circsim::Circuit physical = circsim::parseCirc(circText(importQasm(qasm, "x.qasm", {})));
  ASSERT_EQ(physical.qubits.size(), 6u);

  // Logical qubits 0-4 are the header's; bit 5 is a spare |0> that stands on the broken index.
  std::mt19937 random(11);
  std::normal_distribution<double> normal;
  circsim::State logical(std::size_t{1} << 6, 0);
  for (std::size_t i = 0; i < logical.size() / 2; ++i)
    logical[i] = {normal(random), normal(random)};
  circsim::State want = logical;
  ASSERT_EQ(circsim::run(
                circsim::parseCirc(".qubit 6\nqubit a\nqubit b\nqubit c\nqubit xxc0\nqubit xxc1\n"
                                   "qubit spare\n" +
                                   kSource.substr(kSource.find(".begin"))),
                want),
            "");
  std::vector<int> initial = p.initial;
  initial.push_back(4);
  circsim::State placed = circsim::permuted(logical, initial);
  ASSERT_EQ(circsim::run(physical, placed), "");
  std::vector<int> back(6);
  for (std::size_t k = 0; k < p.final.size(); ++k)
    back[static_cast<std::size_t>(p.final[k])] = static_cast<int>(k);
  back[4] = 5;
  const circsim::State got = circsim::permuted(placed, back);
  circsim::Amp overlap = 0;
  double norm = 0;
  for (std::size_t i = 0; i < want.size(); ++i) {
    overlap += std::conj(want[i]) * got[i];
    norm += std::norm(want[i]);
  }
  EXPECT_NEAR(std::abs(overlap) / norm, 1.0, 1e-9);
}

// mapQasm's last steps verify and export on MapResult::chip when it is set.
TEST_F(ExportOnChip, VerifyAndExportUseTheResultsChip) {
  MapResult result;
  result.circuit = kSource;
  result.mapped = kChipMapped;
  result.layout = kChipLayout;
  result.chip = std::make_shared<const Chip>(holedChip());
  const MapNames names{"in.qasm", "m.circ", "holed.chip"};
  verifyAndExport(result, names);
  EXPECT_EQ(result.verification,
            "OK: 4 two-qubit gates, 3 SWAPs inserted, chip holed.chip (5 qubits), not restored");
  ExportCounts counts;
  const std::string file = exportQasm(mapped, &counts, "", &holedChip(), "holed.chip");
  // All but the title line, which names the source.
  EXPECT_EQ(result.qasm.substr(result.qasm.find('\n')), file.substr(file.find('\n')));

  result.layout = "b a xxc1 \nc xxc0 . \n";
  try {
    verifyAndExport(result, names);
    ADD_FAILURE() << "a layout that does not fit the chip was exported";
  } catch (const MapError& e) {
    EXPECT_STREQ(e.what(),
                 "Internal error: the mapping of in.qasm failed verification: FAIL "
                 "m.circ.layout:1: (2,0) holds site xxc1, but the chip has no qubit there");
  }
}

TEST_F(ExportOnChip, CommandLine) {
  const std::string qasm = std::string(GRIDSWAP_QASM_BIN) + " export ";
  const std::string chip = kDir + "holed.chip";
  auto r = run(qasm + "--chip " + chip + " " + dir + "/m.circ " + dir + "/out.qasm");
  EXPECT_EQ(r.out, dir + "/out.qasm: chip " + chip +
                       " (5 qubits), 4 two-qubit gates, 3 inserted swaps, 4 one-qubit gates\n");
  EXPECT_EQ(r.status, 0);
  ExportCounts counts;
  EXPECT_EQ(readFile(dir + "/out.qasm"), exportQasm(mapped, &counts, "", &holedChip(), chip));
  // Without the chip the numbering is the grid's, row by row.
  r = run(qasm + dir + "/m.circ " + dir + "/grid.qasm");
  EXPECT_EQ(r.out, dir +
                       "/grid.qasm: grid 3 x 2, 4 two-qubit gates, 3 inserted swaps, 4 one-qubit "
                       "gates\n");
  EXPECT_NE(readFile(dir + "/grid.qasm").find("qreg q[6];\nh q[0];\nrx(0.3) q[3];\ncx q[0],q[1];"),
            std::string::npos);
  writeFile(dir + "/m.circ.layout", "b a xxc1 \nc xxc0 . \n");
  r = run(qasm + "--chip " + chip + " " + dir + "/m.circ " + dir + "/bad.qasm");
  EXPECT_EQ(r.out,
            dir + "/m.circ.layout:1: (2,0) holds site xxc1, but the chip has no qubit there\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(readFile(dir + "/bad.qasm"), "");
  r = run(qasm + "--chip '' " + dir + "/m.circ " + dir + "/bad.qasm 2>&1");
  EXPECT_EQ(r.out,
            "Usage: gridswap-qasm export [--chip FILE] MAPPED.circ [LAYOUT] OUT.qasm (--chip "
            "needs a file name)\n");
  EXPECT_EQ(r.status, 2);
}

}  // namespace
