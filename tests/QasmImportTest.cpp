// The OpenQASM import: qubit naming, gate lines, expressions, broadcast, inlined definitions,
// comment lines and every rejection with its line.
#include <gtest/gtest.h>

#include <cmath>

#include "TestUtil.h"
#include "qasm/QasmError.h"
#include "qasm/QasmImport.h"

namespace {

const std::string kHead = "OPENQASM 2.0;\ninclude \"qelib1.inc\";\n";

CircCircuit convert(const std::string& source, ImportOptions options = {}) {
  return importQasm(source, "test.qasm", options);
}

// "LINE: message" of the error the source stops with, or "" when it converts.
std::string errorOf(const std::string& source, ImportOptions options = {}) {
  try {
    convert(source, options);
  } catch (const QasmError& e) {
    return std::to_string(e.line) + ": " + e.what();
  }
  return "";
}

TEST(QasmImport, WritesTheCircuitFormat) {
  const CircCircuit c = convert(kHead + "qreg q[2];\ncreg c[2];\nh q[0];\ncx q[0],q[1];\n");
  EXPECT_EQ(circText(c),
            "# converted from test.qasm by gridswap-qasm\n# creg c[2]\n.qubit 2\nqubit q0\nqubit "
            "q1\n.begin\n"
            "H q0\nCNOT q0 q1\n.end\n");
  EXPECT_EQ(c.twoQubitGates, 1);
  EXPECT_EQ(c.oneQubitGates, 1);
}

TEST(QasmImport, NamesQubitsInRegisterOrderAndUniquely) {
  EXPECT_EQ(convert("qreg cin[1];\ncreg c[3];\nqreg a[2];\n").qubits,
            (std::vector<std::string>{"cin0", "a0", "a1"}));
  // q1[0] would be q10 like q[10], and q1_[0] would be q1_0 like q1[0].
  const CircCircuit c = convert("qreg q[11];\nqreg q1[2];\nqreg q1_[1];\n");
  EXPECT_EQ(std::vector<std::string>(c.qubits.begin() + 10, c.qubits.end()),
            (std::vector<std::string>{"q10", "q1_0", "q11", "q1__0"}));
}

TEST(QasmImport, BuiltinGatesNeedNoInclude) {
  EXPECT_EQ(convert("qreg q[2];\nU(0.5,0,pi) q[1];\nCX q[1],q[0];\n").lines,
            (std::vector<std::string>{"U3 q1 0.5 0 3.141592653589793", "CNOT q1 q0"}));
}

TEST(QasmImport, MeasureResetAndBarrierBecomeComments) {
  const CircCircuit c = convert(kHead +
                                "qreg q[2];\nqreg r[1];\ncreg c[2];\nmeasure q[1] -> c[0];\n"
                                "measure q -> c;\nreset q;\nbarrier q, r[0];\n");
  EXPECT_EQ(c.lines, (std::vector<std::string>{"# measure q1 -> c[0]", "# measure q0 -> c[0]",
                                               "# measure q1 -> c[1]", "# reset q0", "# reset q1",
                                               "# barrier q0 q1 r0"}));
  EXPECT_EQ(c.oneQubitGates + c.twoQubitGates, 0);
}

// Registers become header lines; a condition stands before each line its statement becomes,
// decompositions included, but never before a barrier.
TEST(QasmImport, ConditionsStandBeforeEveryLineTheyControl) {
  const CircCircuit c =
      convert(kHead +
              "gate g a,b { cx a,b; barrier a; h b; }\nqreg q[2];\ncreg c[2];\n"
              "creg d[1];\nif(c==2) g q[0],q[1];\nif(d==0) measure q[1] -> c[0];\n"
              "if(c==1) reset q;\n");
  EXPECT_EQ(c.comments, (std::vector<std::string>{"converted from test.qasm by gridswap-qasm",
                                                  "creg c[2]", "creg d[1]"}));
  EXPECT_EQ(c.lines,
            (std::vector<std::string>{"# if c==2", "CNOT q0 q1", "# barrier q0", "# if c==2",
                                      "H q1", "# if d==0", "# measure q1 -> c[0]", "# if c==1",
                                      "# reset q0", "# if c==1", "# reset q1"}));
  EXPECT_EQ(c.conditions, 5);
  EXPECT_EQ(c.measurements, 1);
  EXPECT_EQ(c.resets, 2);
  EXPECT_EQ(c.barriers, 1);
}

TEST(QasmImport, BroadcastsWholeRegisters) {
  const CircCircuit c = convert(kHead +
                                "qreg a[2];\nqreg b[2];\nh a;\ncx a, b;\ncx a[0], b;\n"
                                "crz(1) b, a[1];\n");
  EXPECT_EQ(c.lines, (std::vector<std::string>{"H a0", "H a1", "CNOT a0 b0", "CNOT a1 b1",
                                               "CNOT a0 b0", "CNOT a0 b1", "CP b0 a1 1",
                                               "U1 b0 -0.5", "CP b1 a1 1", "U1 b1 -0.5"}));
}

TEST(QasmImport, InlinesNestedDefinitionsWithTheirParameters) {
  const CircCircuit c = convert(kHead +
                                "gate rot(t) a { rz(t) a; }\n"
                                "gate pair(t, u) a, b { rot(t/2) a; cx a, b; rot(u - t) b; }\n"
                                "gate outer(s) a, b, c { pair(s, 2*s) a, b; barrier a, c;\n"
                                "  pair(-s, s) c, a; }\n"
                                "qreg q[3];\nouter(pi) q[0], q[1], q[2];\n");
  EXPECT_EQ(c.lines, (std::vector<std::string>{"Rz q0 1.5707963267948966", "CNOT q0 q1",
                                               "Rz q1 3.141592653589793", "# barrier q0 q2",
                                               "Rz q2 -1.5707963267948966", "CNOT q2 q0",
                                               "Rz q0 6.283185307179586"}));
}

TEST(QasmImport, DefinitionReplacesALibraryGate) {
  // Generated sources often define ryy themselves; their body is what counts.
  const CircCircuit c =
      convert(kHead + "gate ryy(p) a,b { cz a,b; }\nqreg q[2];\nryy(1) q[1],q[0];\n");
  EXPECT_EQ(c.lines, std::vector<std::string>{"CZ q1 q0"});
}

TEST(QasmImport, StopsWhenTheCircuitGrowsBeyondTheLimit) {
  ImportOptions options;
  options.maxLines = 10;
  const std::string source =
      kHead + "gate g a { x a; x a; x a; x a; }\nqreg q[1];\ng q[0];\ng q[0];\ng q[0];\n";
  EXPECT_EQ(errorOf(source, options), "7: the circuit grows beyond 10 lines");
}

// Angles: one expression, its value.
struct ExprCase {
  std::string name;
  std::string expression;
  double value;
};

class QasmExpression : public testing::TestWithParam<ExprCase> {};

TEST_P(QasmExpression, EvaluatesToItsValue) {
  const CircCircuit c = convert(kHead + "qreg q[1];\nrz(" + GetParam().expression + ") q[0];\n");
  ASSERT_EQ(c.lines.size(), 1u);
  ASSERT_EQ(c.lines[0].rfind("Rz q0 ", 0), 0u);
  EXPECT_NEAR(std::stod(c.lines[0].substr(6)), GetParam().value, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Arithmetic, QasmExpression,
    testing::Values(
        ExprCase{"Real", "0.25", 0.25}, ExprCase{"LeadingPoint", ".5", 0.5},
        ExprCase{"Exponent", "1.5e-3", 0.0015}, ExprCase{"Pi", "pi", M_PI},
        ExprCase{"PiFraction", "-pi/4", -M_PI / 4}, ExprCase{"ProductBeforeSum", "1+2*3", 7},
        ExprCase{"Parentheses", "(1+2)*3", 9}, ExprCase{"SubtractionLeftToRight", "1-2-3", -4},
        ExprCase{"DivisionLeftToRight", "8/4/2", 1}, ExprCase{"PowerRightToLeft", "2^3^2", 512},
        ExprCase{"PowerBeforeMinus", "-2^2", -4}, ExprCase{"NegativeExponent", "2^-1", 0.5},
        ExprCase{"Sin", "sin(pi/2)", 1}, ExprCase{"Cos", "cos(pi)", -1},
        ExprCase{"Ln", "ln(exp(2))", 2}, ExprCase{"Sqrt", "sqrt(2)*sqrt(8)", 4},
        ExprCase{"Nested", "2*pi*(3-1)/sqrt(16)", M_PI}),
    [](const testing::TestParamInfo<ExprCase>& info) { return info.param.name; });

// Rejections: a source, the line and message it stops with.
struct RejectCase {
  std::string name;
  std::string source;
  std::string error;
};

class QasmReject : public testing::TestWithParam<RejectCase> {};

TEST_P(QasmReject, StopsAtTheLineWithItsReason) {
  EXPECT_EQ(errorOf(GetParam().source), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, QasmReject,
    testing::Values(
        RejectCase{"ConditionOnUnknownRegister",
                   kHead + "qreg q[1];\ncreg c[1];\nif (d == 1) x q[0];\n",
                   "5: unknown classical register d"},
        RejectCase{"ControlledBarrier", kHead + "qreg q[1];\ncreg c[1];\nif (c == 1) barrier q;\n",
                   "5: barrier cannot be classically controlled"},
        RejectCase{"ControlledMeasureOfItsWholeRegister",
                   kHead + "qreg q[2];\ncreg c[2];\nif (c == 1) measure q -> c;\n",
                   "5: a controlled measure into the whole register c it tests cannot be carried "
                   "faithfully"},
        RejectCase{"OpaqueGateUsed", kHead + "opaque magic a;\nqreg q[1];\n\nmagic q[0];\n",
                   "6: opaque gate magic cannot be converted"},
        RejectCase{"OpaqueGateInDefinition", kHead + "opaque magic a;\ngate g a {\n magic a;\n}\n",
                   "5: opaque gate magic cannot be converted"},
        RejectCase{"UnknownGate", kHead + "qreg q[1];\nfoo q[0];\n", "4: unknown gate foo"},
        RejectCase{"LibraryGateWithoutInclude", "qreg q[1];\nh q[0];\n", "2: unknown gate h"},
        RejectCase{"UnknownGateInDefinition", kHead + "gate g a {\n  h a;\n  foo a;\n}\n",
                   "5: unknown gate foo"},
        RejectCase{"RecursiveDefinition", kHead + "gate g a {\n  g a;\n}\n", "4: unknown gate g"},
        RejectCase{"OtherInclude", "OPENQASM 2.0;\ninclude \"mylib.inc\";\n",
                   "2: cannot include \"mylib.inc\": only qelib1.inc is known"},
        RejectCase{"OtherVersion", "OPENQASM 3.0;\n",
                   "1: OpenQASM 3.0 is not supported; only 2.0 is read"},
        RejectCase{"UndeclaredRegister", kHead + "qreg q[1];\nx r[0];\n",
                   "4: unknown quantum register r"},
        RejectCase{"IndexOutOfRange", kHead + "qreg q[2];\nx q[2];\n",
                   "4: q[2] is out of range: q has 2 qubits"},
        RejectCase{"TooFewQubits", kHead + "qreg q[2];\ncx q[0];\n",
                   "4: gate cx takes 2 qubits, not 1"},
        RejectCase{"MissingAngle", kHead + "qreg q[2];\nrz q[0];\n",
                   "4: gate rz takes 1 parameter, not 0"},
        RejectCase{"WrongArityInDefinition", kHead + "gate g a, b {\n  ccx a, b;\n}\n",
                   "4: gate ccx takes 3 qubits, not 2"},
        RejectCase{"SameQubitTwice", kHead + "qreg q[2];\ncx q[1], q[1];\n",
                   "4: gate cx uses qubit q[1] twice"},
        RejectCase{"SameQubitTwiceByBroadcast", kHead + "qreg q[2];\ncx q[0], q;\n",
                   "4: gate cx uses qubit q[0] twice"},
        RejectCase{"SameQubitTwiceInDefinition", kHead + "gate g a, b {\n  cx b, b;\n}\n",
                   "4: gate cx uses qubit b twice"},
        RejectCase{"BroadcastSizesDiffer", kHead + "qreg a[2];\nqreg b[3];\ncx a, b;\n",
                   "5: gate cx is applied to registers of different sizes"},
        RejectCase{"GateDefinedTwice", kHead + "gate g a { x a; }\ngate g a { y a; }\n",
                   "4: gate g is already defined"},
        RejectCase{"RegisterDeclaredTwice", "qreg q[1];\ncreg q[1];\n",
                   "2: register q is already declared"},
        RejectCase{"UndeclaredClassicalRegister", kHead + "qreg q[1];\nmeasure q[0] -> c[0];\n",
                   "4: unknown classical register c"},
        RejectCase{"BitOutOfRange", kHead + "qreg q[1];\ncreg c[1];\nmeasure q[0] -> c[1];\n",
                   "5: c[1] is out of range: c has 1 bit"},
        RejectCase{"MeasureRegisterIntoBit", kHead + "qreg q[2];\ncreg c[2];\nmeasure q -> c[0];\n",
                   "5: measure needs a qubit and a bit, or two registers of one size"},
        RejectCase{"UnknownIdentifierInAngle", kHead + "qreg q[1];\nrz(theta) q[0];\n",
                   "4: unknown parameter theta"},
        RejectCase{"UnknownParameterInDefinition", kHead + "gate g(a) x {\n  rz(b) x;\n}\n",
                   "4: unknown parameter b"},
        RejectCase{"UnknownFunction", kHead + "qreg q[1];\nrz(cosh(1)) q[0];\n",
                   "4: unknown function cosh"},
        RejectCase{"DivisionByZero", kHead + "qreg q[1];\nrz(1/0) q[0];\n",
                   "4: an angle of gate rz is not a finite number"},
        RejectCase{"NotFiniteInsideDefinition",
                   kHead + "gate g(a) x { rz(ln(a)) x; }\nqreg q[1];\n\ng(-1) q[0];\n",
                   "6: an angle of gate rz is not a finite number"},
        RejectCase{"MissingSemicolon", kHead + "qreg q[1]\nx q[0];\n",
                   "4: expected ';', found 'x'"},
        RejectCase{"UnexpectedCharacter", kHead + "qreg q[1];\n// fine\nx q[0]; @\n",
                   "5: unexpected character '@'"},
        RejectCase{"UnterminatedString", "OPENQASM 2.0;\ninclude \"qelib1.inc;\n",
                   "2: unterminated string"},
        RejectCase{"StatementStartingWithPunctuation", kHead + "qreg q[1];\n;\n",
                   "4: expected a statement, found ';'"},
        RejectCase{"VersionNotANumber", "OPENQASM two;\n",
                   "1: expected a version number, found 'two'"},
        RejectCase{"IncludeWithoutQuotes", "OPENQASM 2.0;\ninclude qelib1;\n",
                   "2: expected a file name, found 'qelib1'"},
        RejectCase{"AngleWithoutOperand", kHead + "qreg q[1];\nrz(*) q[0];\n",
                   "4: expected an expression, found '*'"},
        RejectCase{"MeasureInDefinition", kHead + "gate g a {\n  measure a;\n}\n",
                   "4: measure is not allowed in a gate body"},
        RejectCase{"UnknownQubitInDefinition", kHead + "gate g a {\n  x b;\n}\n",
                   "4: unknown qubit b in gate g"},
        RejectCase{"IndexedQubitInDefinition", kHead + "gate g a {\n  x a[0];\n}\n",
                   "4: qubit a of gate g cannot be indexed"},
        RejectCase{"NoQuantumRegister", kHead + "creg c[1];\n",
                   "0: no quantum register is declared"}),
    [](const testing::TestParamInfo<RejectCase>& info) { return info.param.name; });

}  // namespace
