// Hostile inputs, failing disks and the grid bound, run against the built gridswap binary: every
// run ends with one clear line and the right exit status, never an abort or a hang, and no report
// line claims a result for a file that was not written.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "TestUtil.h"

using testutil::quote;
using testutil::readFile;
using testutil::runGridswap;
using testutil::RunResult;
using testutil::splitLines;
using testutil::writeFile;

namespace {

const std::string kTooLarge = "Grid too large: at most 256 x 256 sites";

// A string literal with its NUL bytes, without the terminating one.
template <std::size_t N>
std::string bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

std::string repeat(char c, std::size_t n) {
  return std::string(n, c);
}

bool exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

class Hostile : public testing::Test {
 protected:
  void SetUp() override {
    dir = testutil::tempDir();
    input = dir + "/in.circ";
    output = dir + "/out.circ";
    writeFile(input, "qubit a\nqubit b\nqubit c\n.begin\nCNOT a b\nCZ b c\nCNOT a c\n.end\n");
  }
  // A run that stopped after the three header lines with exactly `message`, and printed no
  // result line.
  static void expectFailureAfterHeader(const RunResult& r, const std::string& message) {
    EXPECT_EQ(r.status, 1);
    const auto lines = splitLines(r.out);
    ASSERT_EQ(lines.size(), 4u) << r.out;
    EXPECT_EQ(lines[0].rfind("#qubit=", 0), 0u);
    EXPECT_EQ(lines[3], message);
  }
  std::string dir;
  std::string input;
  std::string output;
};

// Inputs the reader refuses: one exact line, exit status 1, no file written.
struct RefusedInput {
  const char* name;
  std::string text;
  std::string message;
};
// Test names show the case's name, not its bytes.
void PrintTo(const RefusedInput& c, std::ostream* os) {
  *os << c.name;
}

class RefusedInputs : public Hostile, public testing::WithParamInterface<RefusedInput> {};

TEST_P(RefusedInputs, PrintOneLineAndWriteNothing) {
  writeFile(input, GetParam().text);
  const auto r = runGridswap({input, output});
  EXPECT_EQ(r.out, GetParam().message + "\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(exists(output));
  EXPECT_FALSE(exists(output + ".layout"));
}

std::string allByteValues(int rounds) {
  std::string bytes;
  for (int r = 0; r < rounds; ++r) {
    for (int c = 0; c < 256; ++c)
      bytes += static_cast<char>(c);
  }
  return bytes;
}

std::string declaredQubits(int n) {
  std::string text;
  for (int i = 0; i < n; ++i)
    text += "qubit q" + std::to_string(i) + "\n";
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, RefusedInputs,
    testing::Values(
        RefusedInput{"EmptyFile", "", "Malformed circuit: no .begin line"},
        RefusedInput{"BinaryWithNulBytes", allByteValues(4), "Malformed circuit: no .begin line"},
        RefusedInput{"TenMegabyteLine", repeat('x', 10 << 20), "Malformed circuit: no .begin line"},
        RefusedInput{"LongUndeclaredName", "qubit a\n.begin\nCNOT a " + repeat('n', 10000) + "\n",
                     "Malformed circuit, line 3: undeclared qubit " + repeat('n', 10000)},
        RefusedInput{"NonUtf8UndeclaredName",
                     "qubit \xff\xfe\n.begin\nCZ \xff\xfe \xc3\x28\n.end\n",
                     "Malformed circuit, line 3: undeclared qubit \xc3\x28"},
        // The NUL byte belongs to the name: "a" alone was never declared.
        RefusedInput{"NulInsideAName", bytes("qubit a\0b\n.begin\nCP a\0b a\n.end\n"),
                     "Malformed circuit, line 3: undeclared qubit a"},
        RefusedInput{"MoreQubitsThanTheLargestGrid", declaredQubits(65537) + ".begin\n.end\n",
                     kTooLarge}),
    [](const testing::TestParamInfo<RefusedInput>& info) { return info.param.name; });

// Inputs that must run to the end: exit status 0, the report, and one expected line of the
// mapped circuit.
struct AcceptedInput {
  const char* name;
  std::string text;
  std::vector<std::string> report;  // without the time line
  std::string mappedLine;
};
// Test names show the case's name, not its bytes.
void PrintTo(const AcceptedInput& c, std::ostream* os) {
  *os << c.name;
}

class AcceptedInputs : public Hostile, public testing::WithParamInterface<AcceptedInput> {};

TEST_P(AcceptedInputs, RunToTheEnd) {
  writeFile(input, GetParam().text);
  const auto r = runGridswap({input, output});
  ASSERT_EQ(r.status, 0) << r.out.substr(0, 300);
  auto lines = splitLines(r.out);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines.back().rfind(" ***Synthesis Time=", 0), 0u);
  lines.pop_back();
  EXPECT_EQ(lines, GetParam().report);
  const auto mapped = splitLines(readFile(output));
  EXPECT_NE(std::find(mapped.begin(), mapped.end(), GetParam().mappedLine), mapped.end());
}

const std::string kLongA = repeat('a', 10000);
const std::string kLongB = repeat('b', 10000);
const std::vector<std::string> kTwoQubitReport = {"#qubit=2", "#2qGate: 1", "(W,H)= (1,2)",
                                                  "window size=3, costB=0, costR=0, costU= 0"};

INSTANTIATE_TEST_SUITE_P(
    Hostile, AcceptedInputs,
    testing::Values(
        AcceptedInput{"TenThousandCharacterNames",
                      "qubit " + kLongA + "\nqubit " + kLongB + "\n.begin\nCNOT " + kLongA + " " +
                          kLongB + "\n.end\n",
                      kTwoQubitReport, "CNOT " + kLongA + " " + kLongB + " "},
        AcceptedInput{"NonUtf8Names",
                      "qubit \xff\xfe\nqubit \xc3\x28\n.begin\nCZ \xc3\x28 \xff\xfe\n.end\n",
                      kTwoQubitReport, "CZ \xc3\x28 \xff\xfe "},
        AcceptedInput{"NulBytesInNames",
                      bytes("qubit a\0b\nqubit c\0d\n.begin\nGEO c\0d a\0b 1\0\n.end\n"),
                      kTwoQubitReport, bytes("GEO c\0d a\0b 1\0")},
        AcceptedInput{
            "LineOfTabsAndCarriageReturnsOnly",
            "qubit a\nqubit b\n.begin\n\t\r\t\r\n.end\n",
            {"#qubit=2", "#2qGate: 0", "(W,H)= (1,2)", "window size=3, costB=0, costR=0, costU= 0"},
            "\t\r\t\r"},
        AcceptedInput{"GateLineSplitByTabsAndCarriageReturns",
                      "qubit a\r\nqubit b\r\n.begin\r\n\tCNOT\ta\r\tb\r\n.end\r\n", kTwoQubitReport,
                      "CNOT a b "},
        AcceptedInput{"TenMegabyteCommentLine",
                      "qubit a\nqubit b\n.begin\n# " + repeat('x', 10 << 20) + "\nCNOT a b\n.end\n",
                      kTwoQubitReport, "# " + repeat('x', 10 << 20)},
        // Placement finishes for a thousand idle qubits on a grid of 1024 sites.
        AcceptedInput{"ThousandQubitsWithoutGates",
                      ".qubit 1000\n" + declaredQubits(1000) + ".begin\n.end\n",
                      {"#qubit=1000", "#2qGate: 0", "(W,H)= (32,32)",
                       "window size=3, costB=0, costR=0, costU= 0"},
                      "qubit xxc0"}),
    [](const testing::TestParamInfo<AcceptedInput>& info) { return info.param.name; });

// Grid requests beyond 256 x 256 are refused before the input is even opened.
struct GridRequest {
  const char* name;
  const char* W;
  const char* H;
};
// Test names show the case's name, not its bytes.
void PrintTo(const GridRequest& c, std::ostream* os) {
  *os << c.name;
}

class RefusedGrids : public Hostile, public testing::WithParamInterface<GridRequest> {};

TEST_P(RefusedGrids, BeforeReadingTheInput) {
  const std::string missing = dir + "/missing.circ";
  const auto r = runGridswap({missing, output, GetParam().W, GetParam().H, "3"});
  EXPECT_EQ(r.out, kTooLarge + "\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(exists(output));
}

INSTANTIATE_TEST_SUITE_P(Hostile, RefusedGrids,
                         testing::Values(GridRequest{"WiderThan256", "257", "1"},
                                         GridRequest{"HigherThan256", "1", "257"},
                                         GridRequest{"LineLongerThan256", "0", "1000"},
                                         // strtol's 99999999999 taken as an int is 1215752191.
                                         GridRequest{"ElevenNines", "99999999999", "1"},
                                         GridRequest{"ElevenNinesHigh", "1", " 99999999999"}),
                         [](const testing::TestParamInfo<GridRequest>& info) {
                           return info.param.name;
                         });

TEST_F(Hostile, LargestGridIsAccepted) {
  writeFile(input, "# no qubit\n.begin\n.end\n");
  const auto r = runGridswap({input, output, "256", "256", "3"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(splitLines(r.out)[2], "(W,H)= (256,256)");
}

TEST_F(Hostile, HugeWindowArgumentRuns) {
  const auto r = runGridswap({input, output, "2", "2", "99999999999"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(splitLines(r.out)[3].rfind("window size=1215752191, costB=", 0), 0u);
}

// Failing disks: "Cannot write file: PATH", exit status 1, and no result line.

TEST_F(Hostile, OutputThatIsAFolder) {
  expectFailureAfterHeader(runGridswap({input, dir}), "Cannot write file: " + dir);
}

TEST_F(Hostile, LayoutFileThatIsAFolder) {
  ASSERT_EQ(mkdir((output + ".layout").c_str(), 0755), 0);
  expectFailureAfterHeader(runGridswap({input, output}),
                           "Cannot write file: " + output + ".layout");
}

TEST_F(Hostile, LayoutFileOnAFullDisk) {
  if (!exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  ASSERT_EQ(symlink("/dev/full", (output + ".layout").c_str()), 0);
  expectFailureAfterHeader(runGridswap({input, output}),
                           "Cannot write file: " + output + ".layout");
}

// Runs gridswap with its output in `folder` after mounting a fresh tmpfs there with the given
// mount options, in a private mount namespace that vanishes with the run. Root only.
RunResult runOnTmpfs(const std::string& folder, const std::string& options,
                     const std::vector<std::string>& args) {
  std::string command = "mount -t tmpfs -o " + options + " gridswap-test " + quote(folder) +
                        " && exec " + GRIDSWAP_BIN;
  for (const std::string& a : args)
    command += " " + quote(a);
  return testutil::run("unshare -m sh -c " + quote(command) + " 2>/dev/null");
}

// True when this process may mount a tmpfs in a private mount namespace.
bool canMountTmpfs(const std::string& folder) {
  if (geteuid() != 0) return false;
  return testutil::run("unshare -m sh -c " +
                       quote("mount -t tmpfs -o ro gridswap-test " + quote(folder)) +
                       " 2>/dev/null")
             .status == 0;
}

TEST_F(Hostile, OutputInAReadOnlyFolder) {
  const std::string folder = dir + "/ro";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string target = folder + "/out.circ";
  RunResult r;
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    r = runGridswap({input, target});
  } else if (canMountTmpfs(folder)) {
    // Permission bits do not stop root: the folder is a read-only mount instead.
    r = runOnTmpfs(folder, "ro", {input, target});
  } else {
    GTEST_SKIP() << "running as root without the right to mount a read-only folder";
  }
  expectFailureAfterHeader(r, "Cannot write file: " + target);
}

TEST_F(Hostile, DiskThatFillsUpWhileWriting) {
  const std::string folder = dir + "/small";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  if (!canMountTmpfs(folder)) GTEST_SKIP() << "needs root with the right to mount a tmpfs";
  // A mapped circuit far larger than the one page the folder holds.
  std::string text = "qubit a\nqubit b\n.begin\n";
  for (int i = 0; i < 2000; ++i)
    text += "CNOT a b\n";
  writeFile(input, text + ".end\n");
  const std::string target = folder + "/out.circ";
  expectFailureAfterHeader(runOnTmpfs(folder, "size=4k", {input, target}),
                           "Cannot write file: " + target);
}

}  // namespace
