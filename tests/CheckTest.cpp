// gridswap-check's reader and checks, on hand-made mapped circuits of tests/data/check/small.circ.
// good.mapped is its correct mapping on a 2 x 2 grid (a, c / xxc0, b at the start, one routing
// SWAP); every other fixture carries one defect.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "check/CheckMapping.h"
#include "check/MappedCircuit.h"

namespace {

const std::string kDir = std::string(TEST_DATA_DIR) + "/check/";
const std::string kInput = kDir + "small.circ";

struct FaultCase {
  const char* name;    // the behaviour the case guards
  const char* mapped;  // mapped-circuit fixture
  const char* layout;  // layout fixture
  const char* file;    // the file the fault is reported in
  int line;            // the line it is reported at
  const char* what;    // the message after "FAIL <file>:<line>: "
};

// Shows a case by its name in test output.
void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.name;
}

class CheckFault : public testing::TestWithParam<FaultCase> {};

TEST_P(CheckFault, IsRejectedAtItsLine) {
  const FaultCase& c = GetParam();
  const CheckResult result = checkMapping(kInput, kDir + c.mapped, kDir + c.layout);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.message, "FAIL " + kDir + c.file + ":" + std::to_string(c.line) + ": " + c.what);
}

const FaultCase kMappedFaults[] = {
    {"GateOnDistantSites", "gate-distant.mapped", "start.layout", "gate-distant.mapped", 11,
     "sites a at (0,0) and b at (1,1) are 2 apart, not adjacent"},
    {"SwapOnDistantSites", "swap-distant.mapped", "swap-distant.mapped.layout",
     "swap-distant.mapped", 11, "sites a at (0,0) and b at (1,1) are 2 apart, not adjacent"},
    {"GateOnWrongQubitAfterSwap", "wrong-qubit.mapped", "good.mapped.layout", "wrong-qubit.mapped",
     12, "CNOT acts on qubits xxc0 and b, but input line 9 has a and b"},
    {"MissingGate", "missing-gate.mapped", "good.mapped.layout", "missing-gate.mapped", 13,
     "expected a CZ gate for input line 10, found \"\""},
    {"GateReplacedByOneQubitGate", "replaced-gate.mapped", "good.mapped.layout",
     "replaced-gate.mapped", 13, "expected a CZ gate for input line 10, found \"H b\""},
    {"ExtraGate", "extra-gate.mapped", "good.mapped.layout", "extra-gate.mapped", 14,
     "expected the copied line \"\" for input line 11, found \"CZ b c \""},
    {"ExtraGateAfterEnd", "extra-gate-at-end.mapped", "good.mapped.layout",
     "extra-gate-at-end.mapped", 18, "unexpected line \"CNOT b c \" after the end of the input"},
    {"ChangedAngle", "changed-angle.mapped", "good.mapped.layout", "changed-angle.mapped", 15,
     "fourth field \"0.25\" differs from \"0.5\" on input line 12"},
    {"OneQubitGateDropped", "one-qubit-dropped.mapped", "good.mapped.layout",
     "one-qubit-dropped.mapped", 10,
     "expected the copied line \"H a\" for input line 8, found \"SWAP a xxc0\""},
    {"InputSwapWrittenAsInsertedSwap", "input-swap-as-inserted.mapped", "exchanged.layout",
     "input-swap-as-inserted.mapped", 17, "expected a SWAP gate for input line 13, found \".end\""},
    {"TruncatedFile", "truncated.mapped", "start.layout", "truncated.mapped", 14,
     "file ends; expected the copied line \"\" for input line 11"},
    {"EndLineMissing", "no-end.mapped", "start.layout", "no-end.mapped", 18,
     "file ends; expected \".end\" for input line 14"},
    {"GateLineWithoutTrailingSpace", "gate-no-trailing-space.mapped", "good.mapped.layout",
     "gate-no-trailing-space.mapped", 12,
     "malformed gate line; the form is \"CNOT SITE SITE FIELD\" with single spaces and FIELD "
     "possibly empty"},
    {"EndLineNotExact", "end-with-space.mapped", "good.mapped.layout", "end-with-space.mapped", 17,
     "\".end\" line must be exactly \".end\""},
    {"UnknownSite", "unknown-site.mapped", "good.mapped.layout", "unknown-site.mapped", 12,
     "unknown site \"zz\""},
    {"DuplicatedSiteName", "duplicate-site.mapped", "good.mapped.layout", "duplicate-site.mapped",
     7, "qubit \"a\" declared twice (first on line 4)"},
    {"InputQubitMissingFromHeader", "renamed-qubit.mapped", "renamed-qubit.mapped.layout",
     "renamed-qubit.mapped", 2, "header does not declare input qubit \"c\" (input line 5)"},
    {"NoHeader", "no-header.mapped", "good.mapped.layout", "no-header.mapped", 1,
     "no \".qubit\" header block"},
    {"HeaderCountNotANumber", "bad-count.mapped", "good.mapped.layout", "bad-count.mapped", 2,
     "header must start with \".qubit N\", N a positive number"},
    {"FileEndsInHeader", "open-header.mapped", "good.mapped.layout", "open-header.mapped", 6,
     "file ends inside the header block of line 2"},
    {"QubitDeclaredAfterHeader", "qubit-after-header.mapped", "good.mapped.layout",
     "qubit-after-header.mapped", 11, "qubit declaration outside the header block"},
    {"InsertedSwapWithTab", "malformed-swap.mapped", "good.mapped.layout", "malformed-swap.mapped",
     11, "malformed SWAP line; the form is \"SWAP SITE SITE\""},
};

const FaultCase kLayoutFaults[] = {
    // With c and b exchanged the layout still names every qubit once, but it puts site b
    // diagonal to site xxc0, where the first CNOT acts.
    {"TwoQubitsExchanged", "good.mapped", "exchanged.layout", "good.mapped", 12,
     "sites xxc0 at (0,1) and b at (1,0) are 2 apart, not adjacent"},
    {"DuplicatedName", "good.mapped", "duplicate.layout", "duplicate.layout", 2,
     "qubit \"a\" appears twice (first on line 2)"},
    {"RaggedRow", "good.mapped", "ragged.layout", "ragged.layout", 2,
     "ragged row: 1 name where line 1 has 2 names"},
    {"NameWithoutTrailingSpace", "good.mapped", "no-trailing-space.layout",
     "no-trailing-space.layout", 1, "last name is not followed by a space"},
    {"UndeclaredName", "good.mapped", "unknown-name.layout", "unknown-name.layout", 2,
     "\"z\" is not declared in the mapped circuit's header"},
    {"MissingQubit", "good.mapped", "missing-row.layout", "good.mapped", 4,
     "qubit \"a\" is missing from the layout"},
    {"EmptyFile", "good.mapped", "empty.layout", "empty.layout", 1, "layout file is empty"},
    {"EmptyRow", "good.mapped", "empty-row.layout", "empty-row.layout", 2, "empty row"},
    {"TwoSpacesInARow", "good.mapped", "empty-name.layout", "empty-name.layout", 1,
     "empty name (two spaces in a row)"},
};

std::string caseName(const testing::TestParamInfo<FaultCase>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(MappedCircuit, CheckFault, testing::ValuesIn(kMappedFaults), caseName);
INSTANTIATE_TEST_SUITE_P(Layout, CheckFault, testing::ValuesIn(kLayoutFaults), caseName);

struct PassCase {
  const char* name;    // the behaviour the case guards
  const char* input;   // input circuit fixture
  const char* mapped;  // mapped-circuit fixture
  const char* layout;  // layout fixture
  const char* line;    // the expected "OK: ..." line
};

void PrintTo(const PassCase& c, std::ostream* os) {
  *os << c.name;
}

class CheckPass : public testing::TestWithParam<PassCase> {};

TEST_P(CheckPass, IsAcceptedWithItsSummary) {
  const PassCase& c = GetParam();
  const CheckResult result = checkMapping(kDir + c.input, kDir + c.mapped, kDir + c.layout);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.message, c.line);
}

const PassCase kPasses[] = {
    {"RoutedMapping", "small.circ", "good.mapped", "good.mapped.layout",
     "OK: 4 two-qubit gates, 1 SWAP inserted, grid 2x2, not restored"},
    {"RestoringSwapsBeforeEnd", "small.circ", "restored.mapped", "start.layout",
     "OK: 4 two-qubit gates, 2 SWAPs inserted, grid 2x2, restored"},
    // good.mapped's gates are all adjacent for a placement with a and xxc0 exchanged: without
    // its SWAP (gate-distant.mapped) it is a correct mapping from that placement.
    {"OtherPlacementWithoutSwaps", "small.circ", "gate-distant.mapped", "good.mapped.layout",
     "OK: 4 two-qubit gates, 0 SWAPs inserted, grid 2x2, restored"},
    {"SecondCountLineLeavesNoLine", "two-counts.circ", "one-header.mapped", "pair.layout",
     "OK: 1 two-qubit gate, 0 SWAPs inserted, grid 2x1, restored"},
    {"SecondCountLineRepeatsHeader", "two-counts.circ", "repeated-header.mapped", "pair.layout",
     "OK: 1 two-qubit gate, 0 SWAPs inserted, grid 2x1, restored"},
    {"HeaderBeforeBeginWithoutCountLine", "no-count.circ", "no-count.mapped", "pair.layout",
     "OK: 1 two-qubit gate, 0 SWAPs inserted, grid 2x1, restored"},
};

std::string passName(const testing::TestParamInfo<PassCase>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Mappings, CheckPass, testing::ValuesIn(kPasses), passName);

// An input line that no mapping can follow is reported at its line of the input, whatever the
// mapped circuit holds. (These inputs are not named .circ: every .circ under tests/data is a
// circuit gridswap maps.)
TEST(CheckInput, LinesNoMappingCanFollowAreReportedInTheInput) {
  const std::pair<const char*, const char*> cases[] = {
      {"undeclared-gate.input", ":10: gate on undeclared qubit \"d\""},
      {"one-operand.input", ":9: \"CNOT\" gate without two operands"},
      {"nameless.input", ":5: qubit line without a name"},
  };
  for (const auto& [input, fault] : cases) {
    const CheckResult result =
        checkMapping(kDir + input, kDir + "good.mapped", kDir + "good.mapped.layout");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.message, "FAIL " + kDir + input + fault);
  }
}

TEST(CheckHeader, RepeatedHeaderMustMatchTheFirst) {
  const CheckResult result = checkMapping(kDir + "two-counts.circ",
                                          kDir + "differing-header.mapped", kDir + "pair.layout");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(
      result.message,
      "FAIL " + kDir + "differing-header.mapped:6: header block differs from the one on line 2");
}

TEST(CheckFiles, UnreadableFilesGiveStatusTwo) {
  const std::string missing = kDir + "no-such-file";
  EXPECT_EQ(checkMapping(missing, kDir + "good.mapped", kDir + "good.mapped.layout").message,
            "Cannot read file: " + missing);
  EXPECT_EQ(checkMapping(kInput, missing, kDir + "good.mapped.layout").status, 2);
  EXPECT_EQ(checkMapping(kInput, kDir + "good.mapped", missing).status, 2);
  // A folder opens but cannot be read.
  EXPECT_EQ(checkMapping(kInput, kDir + "good.mapped", kDir).message, "Cannot read file: " + kDir);
}

TEST(CheckCommand, WrongArgumentCountPrintsUsage) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{}, {kInput}, {kInput, "a", "b", "c"}}) {
    const CheckResult result = runCheckCommand(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.message,
              "Usage: gridswap-check [--chip FILE] <input circuit> <mapped circuit> [<layout "
              "file>] (2 or 3 "
              "file names expected, not " +
                  std::to_string(args.size()) + ")");
  }
}

TEST(CheckCommand, LayoutDefaultsToMappedNamePlusLayout) {
  EXPECT_EQ(defaultLayoutPath("out/x.circ"), "out/x.circ.layout");
  EXPECT_TRUE(runCheckCommand({kInput, kDir + "good.mapped"}).ok());
  // The third argument replaces the default: this layout does not fit good.mapped.
  EXPECT_EQ(runCheckCommand({kInput, kDir + "good.mapped", kDir + "start.layout"}).status, 1);
}

// The geometry the reader derives for good.mapped: sites a, c, xxc0, b start on (0,0), (1,0),
// (0,1), (1,1); after SWAP a xxc0 qubits a and xxc0 have changed places.
TEST(MappedCircuitReader, DerivesSitePositionsAndBothPlacements) {
  MappedCircuit circuit;
  ASSERT_TRUE(readMappedCircuit(kDir + "good.mapped", kDir + "good.mapped.layout", &circuit).ok());
  ASSERT_EQ(circuit.qubits, (std::vector<std::string>{"a", "b", "c", "xxc0"}));
  EXPECT_EQ(circuit.width, 2);
  EXPECT_EQ(circuit.height, 2);
  const int expectedX[] = {0, 1, 1, 0};
  const int expectedY[] = {0, 1, 0, 1};
  for (int site = 0; site < 4; ++site) {
    EXPECT_EQ(circuit.sitePos[site].x, expectedX[site]) << circuit.qubits[site];
    EXPECT_EQ(circuit.sitePos[site].y, expectedY[site]) << circuit.qubits[site];
  }
  EXPECT_EQ(circuit.gridIndex(3), 2);  // xxc0 at (0,1) is y*W+x = 2
  const int a = 0, b = 1, c = 2, xxc0 = 3;
  EXPECT_EQ(circuit.initialAt, (std::vector<int>{a, c, xxc0, b}));
  EXPECT_EQ(circuit.finalAt, (std::vector<int>{xxc0, c, a, b}));
  EXPECT_FALSE(circuit.restored());
  EXPECT_EQ(circuit.swapCount, 1);
  EXPECT_EQ(circuit.gateCount, 4);
}

TEST(MappedCircuitReader, ClassifiesLinesAndKeepsTheirFields) {
  MappedCircuit circuit;
  ASSERT_TRUE(readMappedCircuit(kDir + "good.mapped", kDir + "good.mapped.layout", &circuit).ok());
  // Line 1 comment, 2-7 header block, then one record per line.
  ASSERT_EQ(circuit.lines.size(), 12u);
  EXPECT_EQ(circuit.lines[1].kind, MappedLine::kHeader);
  EXPECT_EQ(circuit.lines[2].number, 8);  // ".begin" after the header block
  const MappedLine& swap = circuit.lines[5];
  EXPECT_EQ(swap.kind, MappedLine::kSwap);
  EXPECT_EQ(swap.number, 11);
  EXPECT_EQ(circuit.qubits[swap.site1] + " " + circuit.qubits[swap.site2], "a xxc0");
  const MappedLine& cp = circuit.lines[9];
  EXPECT_EQ(cp.kind, MappedLine::kGate);
  EXPECT_EQ(cp.mnemonic, "CP");
  EXPECT_EQ(cp.field4, "0.5");
  const MappedLine& inputSwap = circuit.lines[10];
  EXPECT_EQ(inputSwap.kind, MappedLine::kGate);
  EXPECT_EQ(inputSwap.field4, "");
  EXPECT_EQ(circuit.lines[11].kind, MappedLine::kEnd);
}

TEST(MappedCircuitReader, RestoredCircuitEndsWhereItStarted) {
  MappedCircuit circuit;
  ASSERT_TRUE(readMappedCircuit(kDir + "restored.mapped", kDir + "start.layout", &circuit).ok());
  EXPECT_TRUE(circuit.restored());
  EXPECT_EQ(circuit.finalAt, circuit.initialAt);
}

}  // namespace
