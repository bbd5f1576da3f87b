// Black-box tests of the gridswap-qasm binary (and of the help and usage conventions it shares
// with gridswap-check): arguments, the summary lines, and errors with their exit statuses.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <thread>

#include "TestUtil.h"
#include "driver/AtomicFiles.h"

using testutil::readFile;
using testutil::writeFile;

namespace {

// Standard output, standard error and exit status of a command.
struct Ran {
  std::string out;
  std::string err;
  int status = -1;
};

Ran runProgram(const std::string& program, const std::vector<std::string>& args) {
  static const std::string errFile = testutil::tempDir() + "/stderr";
  std::string command = program;
  for (const std::string& a : args)
    command += " " + testutil::quote(a);
  const testutil::RunResult r = testutil::run(command + " 2>" + testutil::quote(errFile));
  return Ran{r.out, readFile(errFile), r.status};
}

Ran runQasm(const std::vector<std::string>& args) {
  return runProgram(GRIDSWAP_QASM_BIN, args);
}

bool exists(const std::string& path) {
  return std::ifstream(path).good();
}

// The names in a folder, "." and ".." left out.
std::vector<std::string> folderEntries(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  while (dirent* e = d ? readdir(d) : nullptr) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  if (d) closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

// --- One way to ask for help, in every program ----------------------------------------------

struct ProgramCase {
  std::string name;
  std::string program;
  std::vector<std::string> command;  // the subcommand, if any
  std::string usage;                 // the usage, without "Usage: "
  std::vector<std::string> wrong;    // arguments that are a usage error
};

void PrintTo(const ProgramCase& c, std::ostream* os) {
  *os << c.name;
}

class ProgramConventions : public testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramConventions, HelpGoesToStandardOutputWithStatusZero) {
  const ProgramCase& c = GetParam();
  for (const char* flag : {"--help", "-h"}) {
    std::vector<std::string> args = c.command;
    args.push_back(flag);
    const Ran r = runProgram(c.program, args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Usage: " + c.usage + "\n", 0), 0u) << r.out;
    EXPECT_EQ(r.err, "");
  }
}

TEST_P(ProgramConventions, UsageErrorIsOneUsageLineOnStandardErrorWithStatusTwo) {
  const ProgramCase& c = GetParam();
  std::vector<std::string> args = c.command;
  args.insert(args.end(), c.wrong.begin(), c.wrong.end());
  const Ran r = runProgram(c.program, args);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("Usage: " + c.usage + " (", 0), 0u) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Programs, ProgramConventions,
    testing::Values(
        ProgramCase{"Check",
                    GRIDSWAP_CHECK_BIN,
                    {},
                    "gridswap-check [--chip FILE] <input circuit> <mapped circuit> [<layout file>]",
                    {"a"}},
        ProgramCase{"Qasm",
                    GRIDSWAP_QASM_BIN,
                    {},
                    "gridswap-qasm map|import|export [options] FILE...",
                    {"convert"}},
        ProgramCase{"QasmMap",
                    GRIDSWAP_QASM_BIN,
                    {"map"},
                    "gridswap-qasm map [options] IN.qasm OUT.qasm",
                    {"--frob", "a", "b"}},
        ProgramCase{"QasmImport",
                    GRIDSWAP_QASM_BIN,
                    {"import"},
                    "gridswap-qasm import [--ignore-measure] IN.qasm OUT.circ",
                    {"a", "b", "c"}},
        ProgramCase{"QasmExport",
                    GRIDSWAP_QASM_BIN,
                    {"export"},
                    "gridswap-qasm export [--chip FILE] MAPPED.circ [LAYOUT] OUT.qasm",
                    {"a"}}),
    [](const testing::TestParamInfo<ProgramCase>& info) { return info.param.name; });

// The usage error of the top level names the commands; its help lists all three.
TEST(QasmProgram, TopLevelUsageNamesTheCommands) {
  const Ran r = runQasm({"convert", "a", "b"});
  EXPECT_EQ(r.err,
            "Usage: gridswap-qasm map|import|export [options] FILE... (unknown command convert)\n");
  EXPECT_EQ(runQasm({}).err,
            "Usage: gridswap-qasm map|import|export [options] FILE... (a command is needed)\n");
  const std::string help = runQasm({"--help"}).out;
  EXPECT_NE(help.find("gridswap-qasm import [--ignore-measure] IN.qasm OUT.circ"),
            std::string::npos);
  EXPECT_NE(help.find("gridswap-qasm export [--chip FILE] MAPPED.circ [LAYOUT] OUT.qasm"),
            std::string::npos);
}

// --- import -------------------------------------------------------------------------------

class QasmCommandLine : public testing::Test {
 protected:
  void SetUp() override {
    dir = testutil::tempDir();
    qasm = dir + "/in.qasm";
    circ = dir + "/out.circ";
  }
  std::string dir;
  std::string qasm;
  std::string circ;
};

TEST_F(QasmCommandLine, ImportWritesTheCircuitAndASummaryInSingularAndPlural) {
  writeFile(qasm,
            "OPENQASM 2.0;\ninclude \"qelib1.inc\";\nqreg q[3];\nh q;\nccx q[0],q[1],q[2];\n");
  auto r = runQasm({"import", qasm, circ});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, circ + ": 3 qubits, 6 two-qubit gates, 12 one-qubit gates\n");
  EXPECT_EQ(readFile(circ).rfind("# converted from " + qasm + " by gridswap-qasm\n.qubit 3\n", 0),
            0u);
  writeFile(qasm,
            "OPENQASM 2.0;\ninclude \"qelib1.inc\";\nqreg q[5];\ncreg c[5];\nh q[0];\n"
            "cx q[0],q[1];\ncx q[1],q[2];\ncx q[2],q[3];\ncx q[3],q[4];\nbarrier q;\n"
            "measure q -> c;\n");
  r = runQasm({"import", qasm, circ});
  EXPECT_EQ(r.out, circ +
                       ": 5 qubits, 4 two-qubit gates, 1 one-qubit gate, 5 measurements, 1 "
                       "barrier\n");
  writeFile(qasm,
            "OPENQASM 2.0;\ninclude \"qelib1.inc\";\nqreg q[1];\ncreg c[1];\nmeasure q[0] -> "
            "c[0];\nif(c==1) x q[0];\nreset q[0];\nreset q[0];\n");
  r = runQasm({"import", qasm, circ});
  EXPECT_EQ(r.out, circ +
                       ": 1 qubit, 0 two-qubit gates, 1 one-qubit gate, 1 measurement, 2 resets, "
                       "1 classically controlled operation\n");
}

TEST_F(QasmCommandLine, ImportErrorNamesFileAndLineAndWritesNothing) {
  writeFile(qasm,
            "OPENQASM 2.0;\ninclude \"qelib1.inc\";\nqreg q[2];\ncreg c[2];\n"
            "measure q -> c;\nif (d == 3) x q[0];\n");
  const auto r = runQasm({"import", qasm, circ});
  EXPECT_EQ(r.out, qasm + ":6: unknown classical register d\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(exists(circ));
  writeFile(qasm, "OPENQASM 2.0;\n");
  EXPECT_EQ(runQasm({"import", qasm, circ}).out, qasm + ": no quantum register is declared\n");
}

TEST_F(QasmCommandLine, UnreadableInputAndOutput) {
  auto r = runQasm({"import", dir + "/missing.qasm", circ});
  EXPECT_EQ(r.out, "Cannot open file: " + dir + "/missing.qasm\n");
  EXPECT_EQ(r.status, 1);
  writeFile(qasm, "qreg q[1];\n");
  r = runQasm({"import", qasm, dir + "/no/such/dir.circ"});
  EXPECT_EQ(r.out, "Cannot write file: " + dir + "/no/such/dir.circ\n");
  EXPECT_EQ(r.status, 1);
}

TEST_F(QasmCommandLine, RefusesToOverwriteTheInput) {
  writeFile(qasm, "qreg q[1];\n");
  const auto r = runQasm({"import", qasm, dir + "/./in.qasm"});
  EXPECT_EQ(r.out, "Output file would overwrite the input file: " + dir + "/./in.qasm\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(readFile(qasm), "qreg q[1];\n");
}

// --- map ----------------------------------------------------------------------------------

// Five qubits in a line of CNOTs with a measurement in the middle, a reset, a barrier and a
// controlled gate.
const std::string kProgram =
    "OPENQASM 2.0;\ninclude \"qelib1.inc\";\nqreg q[5];\ncreg c[5];\nh q[0];\ncx q[0],q[4];\n"
    "measure q[4] -> c[4];\nreset q[4];\ncx q[1],q[3];\nif(c==16) cx q[2],q[0];\nbarrier q;\n"
    "measure q -> c;\n";

class MapCommand : public testing::Test {
 protected:
  void SetUp() override {
    dir = testutil::tempDir();
    in = dir + "/in.qasm";
    out = dir + "/out.qasm";
    writeFile(in, kProgram);
  }
  std::string dir;
  std::string in;
  std::string out;
};

// The summary line with its time replaced by T.
std::string withoutTime(const std::string& line) {
  return std::regex_replace(line, std::regex("verified, [0-9]+\\.[0-9][0-9] s\n$"),
                            "verified, T s\n");
}

TEST_F(MapCommand, WritesTheProgramAndOneSummaryLine) {
  const Ran r = runQasm({"map", in, out});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(withoutTime(r.out),
            out +
                ": 5 qubits on 2 x 3, 3 two-qubit gates, 0 SWAPs inserted, 6 measurements, 1 "
                "reset, 1 barrier, 1 classically controlled operation (window 3, best of 5 "
                "trials), verified, T s\n");
  EXPECT_EQ(r.err, "");
  const std::string qasm = readFile(out);
  EXPECT_NE(qasm.find("\nqreg q[6];\ncreg c[5];\n"), std::string::npos) << qasm;
  EXPECT_EQ(folderEntries(dir), (std::vector<std::string>{"in.qasm", "out.qasm"}));
  // One of everything is counted in the singular.
  writeFile(in, "qreg q[1];\ncreg c[1];\nmeasure q[0] -> c[0];\n");
  EXPECT_EQ(withoutTime(runQasm({"map", in, out}).out),
            out +
                ": 1 qubit on 1 x 1, 0 two-qubit gates, 0 SWAPs inserted, 1 measurement "
                "(window 3, 1 trial), verified, T s\n");
}

// Every option, in both spellings: the files and summaries they give.
TEST_F(MapCommand, TakesEveryOption) {
  const std::string native = dir + "/native.circ";
  Ran r = runQasm(
      {"map", "--grid", "3x3", "--window=0", "--threads", "2", "--native", native, in, out});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find(": 5 qubits on 3 x 3, "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(window 0, best of 5 trials)"), std::string::npos) << r.out;
  // --native writes gridswap's own files: gridswap gives the same on the imported circuit.
  const std::string circ = dir + "/in.circ";
  ASSERT_EQ(runQasm({"import", in, circ}).status, 0);
  const std::string own = dir + "/own.circ";
  ASSERT_EQ(testutil::runGridswap({circ, own, "3", "3", "0"}).status, 0);
  EXPECT_EQ(readFile(native), readFile(own));
  EXPECT_EQ(readFile(native + ".layout"), readFile(own + ".layout"));

  r = runQasm({"map", "--grid=1x5", "--threads=1", "--window", "7", in, out});
  EXPECT_NE(r.out.find(": 5 qubits on 1 x 5, "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(window 7, "), std::string::npos) << r.out;

  // --ignore-measure drops the measurements of an undeclared register.
  writeFile(in,
            "OPENQASM 2.0;\ninclude \"qelib1.inc\";\nqreg q[2];\ncx q[0],q[1];\n"
            "measure q[0] -> m[0];\n");
  r = runQasm({"map", in, out});
  EXPECT_EQ(r.out, in + ":5: unknown classical register m\n");
  r = runQasm({"map", in, out, "--ignore-measure"});
  EXPECT_EQ(withoutTime(r.out), out +
                                    ": 2 qubits on 1 x 2, 1 two-qubit gate, 0 SWAPs inserted "
                                    "(window 3, best of 2 trials), verified, T s\n");
}

// Without --threads the workers come from GRIDSWAP_THREADS, checked as gridswap checks it; the
// program written does not depend on the number of workers.
TEST_F(MapCommand, WorkersFromTheEnvironmentGiveTheSameProgram) {
  const std::string bin = GRIDSWAP_QASM_BIN;
  const std::string one = dir + "/one.qasm";
  ASSERT_EQ(runQasm({"map", "--threads", "1", in, one}).status, 0);
  const Ran r = runProgram("GRIDSWAP_THREADS=3 " + bin, {"map", in, out});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(readFile(out), readFile(one));
  const Ran bad = runProgram("GRIDSWAP_THREADS=0 " + bin, {"map", in, out});
  EXPECT_EQ(bad.out,
            "Invalid GRIDSWAP_THREADS=\"0\": the number of worker threads must be a whole number "
            "from 1 to 1024\n");
  EXPECT_EQ(bad.status, 1);
}

// A usage error, its line after the usage, and that it leaves the output alone.
struct MapUsageCase {
  std::string name;
  std::vector<std::string> args;  // "IN" and "OUT" stand for the files
  std::string problem;
};

void PrintTo(const MapUsageCase& c, std::ostream* os) {
  *os << c.name;
}

class MapUsage : public MapCommand, public testing::WithParamInterface<MapUsageCase> {};

TEST_P(MapUsage, NamesTheProblemAndLeavesTheOutputAlone) {
  writeFile(out, "old\n");
  std::vector<std::string> args = {"map"};
  for (const std::string& a : GetParam().args)
    args.push_back(a == "IN" ? in : a == "OUT" ? out : a);
  const Ran r = runQasm(args);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "Usage: gridswap-qasm map [options] IN.qasm OUT.qasm (" + GetParam().problem + ")\n");
  EXPECT_EQ(readFile(out), "old\n");
  EXPECT_EQ(folderEntries(dir), (std::vector<std::string>{"in.qasm", "out.qasm"}));
}

INSTANTIATE_TEST_SUITE_P(
    Errors, MapUsage,
    testing::Values(
        MapUsageCase{"UnknownOption", {"--frob", "IN", "OUT"}, "unknown option --frob"},
        MapUsageCase{"OneFile", {"IN"}, "2 file names expected, not 1"},
        MapUsageCase{"ThreeFiles", {"IN", "OUT", "x"}, "2 file names expected, not 3"},
        MapUsageCase{"MissingValue", {"IN", "OUT", "--window"}, "--window needs a value"},
        MapUsageCase{"GridWithoutValue", {"IN", "OUT", "--grid"}, "--grid needs a value"},
        MapUsageCase{"SvgWithoutName", {"IN", "OUT", "--svg"}, "--svg needs a value"},
        MapUsageCase{"FlagWithValue",
                     {"--ignore-measure=maybe", "IN", "OUT"},
                     "--ignore-measure takes no value"},
        MapUsageCase{"WindowNotANumber",
                     {"--window", "x", "IN", "OUT"},
                     "--window needs a whole number from 0 up, not \"x\""},
        MapUsageCase{"WindowNegative",
                     {"--window=-1", "IN", "OUT"},
                     "--window needs a whole number from 0 up, not \"-1\""},
        MapUsageCase{"GridWithoutHeight",
                     {"--grid", "3x", "IN", "OUT"},
                     "--grid needs WxH, W and H whole numbers from 1 to 256, not \"3x\""},
        MapUsageCase{"GridZeroWide",
                     {"--grid=0x4", "IN", "OUT"},
                     "--grid needs WxH, W and H whole numbers from 1 to 256, not \"0x4\""},
        MapUsageCase{"GridTooLarge",
                     {"--grid", "300x2", "IN", "OUT"},
                     "--grid needs WxH, W and H whole numbers from 1 to 256, not \"300x2\""},
        MapUsageCase{"ThreadsZero",
                     {"--threads", "0", "IN", "OUT"},
                     "--threads needs a whole number from 1 to 1024, not \"0\""},
        MapUsageCase{"ThreadsNotANumber",
                     {"--threads=two", "IN", "OUT"},
                     "--threads needs a whole number from 1 to 1024, not \"two\""},
        MapUsageCase{
            "NativeWithoutName", {"--native", "", "IN", "OUT"}, "--native needs a file name"}),
    [](const testing::TestParamInfo<MapUsageCase>& info) { return info.param.name; });

// Errors of a well-formed command: one line on standard output, status 1, the existing output
// untouched and no file left behind.
struct MapFailureCase {
  std::string name;
  std::string source;             // the program; empty for no input file
  std::vector<std::string> args;  // "IN", "OUT" and "DIR" stand for the files and the folder
  std::string line;               // with IN, OUT and DIR in it replaced the same way
};

void PrintTo(const MapFailureCase& c, std::ostream* os) {
  *os << c.name;
}

class MapFailure : public MapCommand, public testing::WithParamInterface<MapFailureCase> {};

TEST_P(MapFailure, PrintsOneLineAndWritesNothing) {
  const MapFailureCase& c = GetParam();
  auto fill = [&](std::string text) {
    for (const auto& [key, value] :
         std::vector<std::pair<std::string, std::string>>{{"IN", in}, {"OUT", out}, {"DIR", dir}}) {
      for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at)) {
        text.replace(at, key.size(), value);
        at += value.size();
      }
    }
    return text;
  };
  if (c.source.empty()) {
    std::remove(in.c_str());
  } else {
    writeFile(in, c.source);
  }
  writeFile(out, "old\n");
  const std::vector<std::string> before = folderEntries(dir);
  std::vector<std::string> args = {"map"};
  for (const std::string& a : c.args)
    args.push_back(fill(a));
  const Ran r = runQasm(args);
  EXPECT_EQ(r.out, fill(c.line) + "\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(readFile(out), "old\n");
  EXPECT_EQ(folderEntries(dir), before);
}

const std::string kTenQubits = "qreg q[10];\nCX q[0],q[9];\n";

INSTANTIATE_TEST_SUITE_P(
    Errors, MapFailure,
    testing::Values(MapFailureCase{"GridTooSmall",
                                   kTenQubits,
                                   {"--grid", "3x3", "IN", "OUT"},
                                   "IN: 10 qubits do not fit on a 3 x 3 grid of 9 sites"},
                    MapFailureCase{"ImportError",
                                   "qreg q[2];\nCX q[0],q[2];\n",
                                   {"IN", "OUT"},
                                   "IN:2: q[2] is out of range: q has 2 qubits"},
                    MapFailureCase{"MissingInput", "", {"IN", "OUT"}, "Cannot open file: IN"},
                    MapFailureCase{"OutputIsTheInput",
                                   kTenQubits,
                                   {"IN", "DIR/./in.qasm"},
                                   "Output file would overwrite the input file: DIR/./in.qasm"},
                    MapFailureCase{"NativeIsTheOutput",
                                   kTenQubits,
                                   {"--native", "OUT", "IN", "OUT"},
                                   "Two outputs would be the same file: OUT"},
                    MapFailureCase{"OutputFolderMissing",
                                   kTenQubits,
                                   {"IN", "DIR/none/x.qasm"},
                                   "Cannot write file: DIR/none/x.qasm"},
                    // The native files are complete before the output fails: none of them may stay.
                    MapFailureCase{"OutputFailsAfterNative",
                                   kTenQubits,
                                   {"--native", "DIR/n.circ", "IN", "DIR/none/x.qasm"},
                                   "Cannot write file: DIR/none/x.qasm"}),
    [](const testing::TestParamInfo<MapFailureCase>& info) { return info.param.name; });

// --- Outputs written whole or not at all ----------------------------------------------------

// A write interrupted by SIGTERM (here while its temporary file is being filled) leaves the old
// file as it was and no temporary file; had it finished first, the new file is complete.
TEST(AtomicFiles, InterruptedWriteLeavesTheOldFileAndNoTemporaryFile) {
  const std::string dir = testutil::tempDir();
  const std::string path = dir + "/out.qasm";
  writeFile(path, "old\n");
  const std::string text(64 << 20, 'x');
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::string failed;
    _exit(writeFilesAtomically({{path, text}}, &failed) ? 0 : 3);
  }
  bool sawTemporary = false;
  for (int k = 0; k < 2000 && !sawTemporary; ++k) {
    for (const std::string& name : folderEntries(dir))
      sawTemporary = sawTemporary || name.rfind(".gridswap-tmp-", 0) == 0;
    if (!sawTemporary) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(sawTemporary);
  EXPECT_EQ(folderEntries(dir), std::vector<std::string>{"out.qasm"});
  if (WIFSIGNALED(status)) {
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(readFile(path), "old\n");
  } else {
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile(path).size(), text.size());
  }
}

}  // namespace
