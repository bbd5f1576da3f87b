// Every gate the import knows, checked by simulation: the lines it writes for one application
// must have the gate's textbook unitary up to a global phase, with the documented number of
// two-qubit lines.
#include <gtest/gtest.h>

#include <functional>

#include "CircSim.h"
#include "qasm/QasmImport.h"

using namespace circsim;

namespace {

using Op = std::function<void(State&)>;

struct GateCase {
  std::string name;       // test name
  std::string statement;  // one gate application on qreg q[qubits]
  int qubits;
  int twoQubitLines;
  Op reference;
};

void PrintTo(const GateCase& c, std::ostream* os) {
  *os << c.statement;
}

Op one(Mat2 m, int q = 0) {
  return [=](State& s) { apply(s, q, m); };
}
Op controlled(Mat2 m, int c = 0, int t = 1) {
  return [=](State& s) { apply(s, t, m, c); };
}
Mat2 scaled(Amp f, Mat2 m) {
  for (Amp& a : m)
    a *= f;
  return m;
}
// exp(-i theta/2 P(0) P(1)) for one Pauli matrix P on both qubits.
Op pauliPair(Mat2 p, double theta) {
  return [=](State& s) {
    State pp = s;
    apply(pp, 0, p);
    apply(pp, 1, p);
    for (std::size_t i = 0; i < s.size(); ++i) {
      s[i] = std::cos(theta / 2) * s[i] - kI * std::sin(theta / 2) * pp[i];
    }
  };
}
// Flips the target where both controls are 1.
Op toffoli(int a, int b, int t) {
  return [=](State& s) {
    State out = s;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if ((i >> a & 1) && (i >> b & 1)) out[i] = s[i ^ (std::size_t{1} << t)];
    }
    s = out;
  };
}
// Exchanges qubits a and b where c is 1.
Op fredkin(int c, int a, int b) {
  return [=](State& s) {
    State out = s;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if ((i >> c & 1) && ((i >> a & 1) != (i >> b & 1))) {
        out[i] = s[i ^ (std::size_t{1} << a) ^ (std::size_t{1} << b)];
      }
    }
    s = out;
  };
}

const double kA = 0.3;
const double kB = 0.9;
const double kC = -0.5;
const double kD = 0.2;

std::vector<GateCase> gateCases() {
  const Op swap01 = [](State& s) { applySwap(s, 0, 1); };
  return {
      {"id", "id q[0];", 1, 0, one({1, 0, 0, 1})},
      {"x", "x q[0];", 1, 0, one(kX)},
      {"y", "y q[0];", 1, 0, one(kY)},
      {"z", "z q[0];", 1, 0, one(kZ)},
      {"h", "h q[0];", 1, 0, one(kH)},
      {"s", "s q[0];", 1, 0, one(phase(M_PI / 2))},
      {"sdg", "sdg q[0];", 1, 0, one(phase(-M_PI / 2))},
      {"t", "t q[0];", 1, 0, one(phase(M_PI / 4))},
      {"tdg", "tdg q[0];", 1, 0, one(phase(-M_PI / 4))},
      {"sx", "sx q[0];", 1, 0, one(kSX)},
      {"sxdg", "sxdg q[0];", 1, 0, one(kSXdg)},
      {"rx", "rx(0.3) q[0];", 1, 0, one(rx(kA))},
      {"ry", "ry(0.3) q[0];", 1, 0, one(ry(kA))},
      {"rz", "rz(0.3) q[0];", 1, 0, one(rz(kA))},
      {"u1", "u1(0.9) q[0];", 1, 0, one(phase(kB))},
      {"p", "p(0.9) q[0];", 1, 0, one(phase(kB))},
      {"u2", "u2(0.9,-0.5) q[0];", 1, 0, one(u3(M_PI / 2, kB, kC))},
      {"u3", "u3(0.3,0.9,-0.5) q[0];", 1, 0, one(u3(kA, kB, kC))},
      {"u", "u(0.3,0.9,-0.5) q[0];", 1, 0, one(u3(kA, kB, kC))},
      {"U", "U(0.3,0.9,-0.5) q[0];", 1, 0, one(u3(kA, kB, kC))},
      {"u0", "u0(0.9) q[0];", 1, 0, one({1, 0, 0, 1})},
      {"cx", "cx q[0],q[1];", 2, 1, controlled(kX)},
      {"CX", "CX q[1],q[0];", 2, 1, controlled(kX, 1, 0)},
      {"cz", "cz q[0],q[1];", 2, 1, controlled(kZ)},
      {"swap", "swap q[0],q[1];", 2, 1, swap01},
      {"cu1", "cu1(0.9) q[0],q[1];", 2, 1, controlled(phase(kB))},
      {"cp", "cp(0.9) q[1],q[0];", 2, 1, controlled(phase(kB), 1, 0)},
      {"crz", "crz(0.9) q[0],q[1];", 2, 1, controlled(rz(kB))},
      {"crz_reversed", "crz(0.9) q[1],q[0];", 2, 1, controlled(rz(kB), 1, 0)},
      {"cry", "cry(0.9) q[0],q[1];", 2, 2, controlled(ry(kB))},
      {"crx", "crx(-0.5) q[0],q[1];", 2, 2, controlled(rx(kC))},
      {"cu3", "cu3(0.3,0.9,-0.5) q[0],q[1];", 2, 2, controlled(u3(kA, kB, kC))},
      {"cu3_reversed", "cu3(0.3,0.9,-0.5) q[1],q[0];", 2, 2, controlled(u3(kA, kB, kC), 1, 0)},
      {"cu", "cu(0.3,0.9,-0.5,0.2) q[0],q[1];", 2, 2,
       controlled(scaled(std::exp(kI * kD), u3(kA, kB, kC)))},
      {"ch", "ch q[0],q[1];", 2, 1, controlled(kH)},
      {"cy", "cy q[0],q[1];", 2, 1, controlled(kY)},
      {"csx", "csx q[0],q[1];", 2, 1, controlled(kSX)},
      {"rzz", "rzz(0.9) q[0],q[1];", 2, 2, pauliPair(kZ, kB)},
      {"rxx", "rxx(0.9) q[0],q[1];", 2, 2, pauliPair(kX, kB)},
      {"ryy", "ryy(0.9) q[0],q[1];", 2, 2, pauliPair(kY, kB)},
      {"ccx", "ccx q[0],q[1],q[2];", 3, 6, toffoli(0, 1, 2)},
      {"ccx_permuted", "ccx q[2],q[0],q[1];", 3, 6, toffoli(2, 0, 1)},
      {"cswap", "cswap q[0],q[1],q[2];", 3, 8, fredkin(0, 1, 2)},
      {"cswap_permuted", "cswap q[1],q[2],q[0];", 3, 8, fredkin(1, 2, 0)},
  };
}

class GateUnitary : public testing::TestWithParam<GateCase> {};

TEST_P(GateUnitary, LinesHaveTheGateUnitaryUpToPhase) {
  const GateCase& c = GetParam();
  const std::string source = "OPENQASM 2.0;\ninclude \"qelib1.inc\";\nqreg q[" +
                             std::to_string(c.qubits) + "];\n" + c.statement + "\n";
  const CircCircuit circuit = importQasm(source, "gate.qasm", {});
  EXPECT_EQ(circuit.twoQubitGates, c.twoQubitLines);
  const Matrix got = unitary(circText(circuit));
  ASSERT_EQ(got.size(), std::size_t{1} << c.qubits) << circText(circuit);
  Matrix want;
  for (std::size_t k = 0; k < got.size(); ++k) {
    State s = basis(c.qubits, k);
    c.reference(s);
    want.push_back(s);
  }
  EXPECT_LT(distanceUpToPhase(got, want), 1e-9) << circText(circuit);
}

INSTANTIATE_TEST_SUITE_P(Qelib1, GateUnitary, testing::ValuesIn(gateCases()),
                         [](const testing::TestParamInfo<GateCase>& info) {
                           return info.param.name;
                         });

}  // namespace
