// Black-box tests of the gridswap-qasm binary: arguments, the summary line, and errors reported
// as "FILE:LINE: message" with exit status 1.
#include <gtest/gtest.h>

#include "TestUtil.h"

using testutil::readFile;
using testutil::writeFile;

namespace {

const std::string kUsage =
    "usage: gridswap-qasm import [--ignore-measure] <in.qasm> <out.circ> | gridswap-qasm export "
    "<mapped.circ> <layout> <out.qasm>\n";

testutil::RunResult runQasm(const std::vector<std::string>& args) {
  std::string command = GRIDSWAP_QASM_BIN;
  for (const std::string& a : args)
    command += " " + testutil::quote(a);
  return testutil::run(command + " 2>&1");
}

bool exists(const std::string& path) {
  return std::ifstream(path).good();
}

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

TEST_F(QasmCommandLine, WrongArgumentsPrintUsage) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"convert", "a", "b"},
                                               {"import", "a"},
                                               {"import", "a", "b", "c"},
                                               {"import", "--ignore-measure", "a"},
                                               {"export", "a", "b"},
                                               {"export", "a", "b", "c", "d"}}) {
    const auto r = runQasm(args);
    EXPECT_EQ(r.out, kUsage);
    EXPECT_EQ(r.status, 1);
  }
}

TEST_F(QasmCommandLine, ImportWritesTheCircuitAndASummary) {
  writeFile(qasm,
            "OPENQASM 2.0;\ninclude \"qelib1.inc\";\nqreg q[3];\nh q;\nccx q[0],q[1],q[2];\n");
  const auto r = runQasm({"import", qasm, circ});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, circ + ": 3 qubits, 6 two-qubit gates, 12 one-qubit gates\n");
  EXPECT_EQ(readFile(circ).rfind("# converted from " + qasm + " by gridswap-qasm\n.qubit 3\n", 0),
            0u);
}

TEST_F(QasmCommandLine, ImportErrorNamesFileAndLineAndWritesNothing) {
  writeFile(qasm,
            "OPENQASM 2.0;\ninclude \"qelib1.inc\";\nqreg q[2];\ncreg c[2];\n"
            "measure q -> c;\nif (c == 3) x q[0];\n");
  const auto r = runQasm({"import", qasm, circ});
  EXPECT_EQ(r.out, qasm + ":6: classically controlled gates (if) cannot be converted\n");
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

}  // namespace
