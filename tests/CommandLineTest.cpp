// Black-box tests of the gridswap binary: the argument table, numeric arguments, the report
// and the fatal errors.
#include <gtest/gtest.h>

#include "TestUtil.h"

using testutil::readFile;
using testutil::runGridswap;
using testutil::splitLines;
using testutil::writeFile;

namespace {

const std::string kUsage = "<input file> <output file> <grid W> <grid H> <window size>\n";

class CommandLine : public testing::Test {
 protected:
  void SetUp() override {
    dir = testutil::tempDir();
    input = dir + "/in.circ";
    output = dir + "/out.circ";
    writeFile(input,
              ".qubit 5\nqubit a\nqubit b\nqubit c\nqubit d\nqubit e\n.begin\nCNOT a b\n"
              "CNOT b c\nCNOT c d\nCNOT d e\nCNOT e a\nCNOT a c\nCNOT b d\n.end\n");
  }
  // The report without its time line, which varies.
  static std::vector<std::string> reportLines(const std::string& out) {
    std::vector<std::string> lines = splitLines(out);
    if (!lines.empty() && lines.back().rfind(" ***Synthesis Time=", 0) == 0) lines.pop_back();
    return lines;
  }
  std::string dir;
  std::string input;
  std::string output;
};

TEST_F(CommandLine, WrongArgumentCountsPrintUsage) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {"x"}, {"x", "y", "1"}, {"x", "y", "1", "2"}}) {
    const auto r = runGridswap(args);
    EXPECT_EQ(r.out, kUsage);
    EXPECT_EQ(r.status, 1);
  }
}

TEST_F(CommandLine, TwoArgumentsUseDefaultGridAndWindow) {
  const auto r = runGridswap({input, output});
  ASSERT_EQ(r.status, 0) << r.out;
  const auto lines = reportLines(r.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "#qubit=5");
  EXPECT_EQ(lines[1], "#2qGate: 7");
  EXPECT_EQ(lines[2], "(W,H)= (2,3)");
  EXPECT_EQ(lines[3].rfind("window size=3, costB=", 0), 0u);
  const std::string time = splitLines(r.out).back();
  EXPECT_EQ(time.substr(time.size() - 3), "***");
}

TEST_F(CommandLine, SixOrMoreArgumentsIgnoreTheRest) {
  const auto six = runGridswap({input, output, "4", "4", "9", "extra"});
  const auto two = runGridswap({input, output});
  ASSERT_EQ(six.status, 0);
  EXPECT_EQ(reportLines(six.out), reportLines(two.out));
}

TEST_F(CommandLine, NumericArgumentsReadLikeStrtol) {
  // "3x" is 3, " 4" is 4, "+2" is 2; "abc" is 0 and the grid is enlarged.
  const auto r = runGridswap({input, output, "3x", " 4", "+2"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(reportLines(r.out)[2], "(W,H)= (3,4)");
  EXPECT_EQ(reportLines(r.out)[3].rfind("window size=2,", 0), 0u);
  const auto zero = runGridswap({input, output, "abc", "-0", "0x10"});
  ASSERT_EQ(zero.status, 0) << zero.out;
  EXPECT_EQ(reportLines(zero.out)[2], "(W,H)= (2,3)");
  EXPECT_EQ(reportLines(zero.out)[3].rfind("window size=0,", 0), 0u);
}

TEST_F(CommandLine, NegativeOrOverflowingGridPrintsUsage) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{input, output, "-1", "3", "3"},
        {input, output, "3", "-2", "3"},
        {input, output, "-3", "-3", "3"},
        {input, output, "65536", "65536", "3"},
        {input, output, "2147483648", "1", "3"}}) {
    const auto r = runGridswap(args);
    EXPECT_EQ(r.out, kUsage) << args[2] << " " << args[3];
    EXPECT_EQ(r.status, 1);
  }
}

TEST_F(CommandLine, UnreadableInputs) {
  auto r = runGridswap({dir + "/missing.circ", output});
  EXPECT_EQ(r.out, "Cannot open file: " + dir + "/missing.circ\n");
  EXPECT_EQ(r.status, 1);
  r = runGridswap({dir, output});
  EXPECT_EQ(r.out, "Cannot open file: " + dir + "\n");
  EXPECT_EQ(r.status, 1);
}

TEST_F(CommandLine, MalformedCircuitStopsBeforeAnyReportOrFile) {
  writeFile(input, "qubit a\n.begin\nCNOT a b\n.end\n");
  const auto r = runGridswap({input, output});
  EXPECT_EQ(r.out, "Malformed circuit, line 3: undeclared qubit b\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(std::ifstream(output).good());
  EXPECT_FALSE(std::ifstream(output + ".layout").good());
}

TEST_F(CommandLine, OutputThatWouldOverwriteTheInputIsRefused) {
  const std::string original = readFile(input);
  auto r = runGridswap({input, input});
  EXPECT_EQ(r.out, "Output file would overwrite the input file: " + input + "\n");
  EXPECT_EQ(r.status, 1);
  // The same file under another name.
  r = runGridswap({input, dir + "/./in.circ"});
  EXPECT_EQ(r.out, "Output file would overwrite the input file: " + dir + "/./in.circ\n");
  // The layout file would land on the input.
  const std::string layoutVictim = dir + "/x.circ.layout";
  writeFile(layoutVictim, original);
  r = runGridswap({layoutVictim, dir + "/x.circ"});
  EXPECT_EQ(r.out, "Output file would overwrite the input file: " + layoutVictim + "\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(readFile(input), original);
  EXPECT_EQ(readFile(layoutVictim), original);
}

TEST_F(CommandLine, NoDeclaredQubitRunsNoTrial) {
  writeFile(input, "# nothing here\n.begin\n.end\n");
  const auto r = runGridswap({input, output, "2", "2", "5"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(reportLines(r.out),
            (std::vector<std::string>{"#qubit=0", "#2qGate: 0", "(W,H)= (2,2)",
                                      "window size=5, costB=0, costR=2147483647, "
                                      "costU= 2147483647"}));
}

TEST_F(CommandLine, UnwritableOutputFailsRightAfterTheHeader) {
  const std::string bad = dir + "/no/such/folder/out.circ";
  const auto r = runGridswap({input, bad});
  EXPECT_EQ(r.status, 1);
  const auto lines = splitLines(r.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3], "Cannot write file: " + bad);
}

TEST_F(CommandLine, FullDiskFailsWithoutClaimingAResult) {
  if (!std::ifstream("/dev/full").good()) GTEST_SKIP() << "no /dev/full here";
  const auto r = runGridswap({input, "/dev/full"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(splitLines(r.out).back(), "Cannot write file: /dev/full");
  EXPECT_EQ(r.out.find("costU"), std::string::npos);
}

TEST_F(CommandLine, CircuitTooLargeForMemoryEndsWithOneLine) {
#ifdef GRIDSWAP_SANITIZE
  GTEST_SKIP() << "the sanitizers reserve more address space than the limit allows";
#endif
  // Grids are bounded, so the input is what outgrows memory here: a 60 MB line needs far more
  // than 150 MB of address space once read and kept.
  writeFile(input, "qubit a\n.begin\n# " + std::string(60000000, 'x') + "\n.end\n");
  const auto r =
      testutil::run("ulimit -v 150000; exec " + std::string(GRIDSWAP_BIN) + " " +
                    testutil::quote(input) + " " + testutil::quote(output) + " 2>/dev/null");
  EXPECT_EQ(r.out, "Out of memory\n");
  EXPECT_EQ(r.status, 1);
}

TEST_F(CommandLine, SameInputGivesSameReportAndFiles) {
  const auto first = runGridswap({input, output, "3", "3", "3"});
  const std::string circuit = readFile(output);
  const std::string layout = readFile(output + ".layout");
  const auto second = runGridswap({input, output, "3", "3", "3"});
  EXPECT_EQ(reportLines(first.out), reportLines(second.out));
  EXPECT_EQ(readFile(output), circuit);
  EXPECT_EQ(readFile(output + ".layout"), layout);
  EXPECT_FALSE(circuit.empty());
}

}  // namespace
