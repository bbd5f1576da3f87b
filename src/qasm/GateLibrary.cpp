#include "qasm/GateLibrary.h"

const std::vector<NativeGate>& nativeGates() {
  static const std::vector<NativeGate> gates = {
      {"U", "U3", 3, 1, true},       {"CX", "CNOT", 0, 2, true},    {"u3", "U3", 3, 1, false},
      {"u2", "U2", 2, 1, false},     {"u1", "U1", 1, 1, false},     {"cx", "CNOT", 0, 2, false},
      {"id", "I", 0, 1, false},      {"x", "X", 0, 1, false},       {"y", "Y", 0, 1, false},
      {"z", "Z", 0, 1, false},       {"h", "H", 0, 1, false},       {"s", "S", 0, 1, false},
      {"sdg", "Sdg", 0, 1, false},   {"t", "T", 0, 1, false},       {"tdg", "Tdg", 0, 1, false},
      {"rx", "Rx", 1, 1, false},     {"ry", "Ry", 1, 1, false},     {"rz", "Rz", 1, 1, false},
      {"sx", "SX", 0, 1, false},     {"sxdg", "SXdg", 0, 1, false}, {"cz", "CZ", 0, 2, false},
      {"swap", "SWAP", 0, 2, false}, {"cu1", "CP", 1, 2, false},    {"p", "U1", 1, 1, false},
      {"u", "U3", 3, 1, false},      {"cp", "CP", 1, 2, false},
  };
  return gates;
}

const NativeGate* nativeForMnemonic(const std::string& mnemonic) {
  for (const NativeGate& g : nativeGates()) {
    if (!g.builtin && mnemonic == g.mnemonic) return &g;
  }
  return nullptr;
}

const char* qelib1Definitions() {
  return R"(
gate u0(gamma) q { U(0,0,0) q; }
gate ccx a,b,c {
  h c; cx b,c; tdg c; cx a,c; t c; cx b,c; tdg c; cx a,c;
  t b; t c; h c; cx a,b; t a; tdg b; cx a,b;
}
gate cswap a,b,c { cx c,b; ccx a,b,c; cx c,b; }
gate crz(lambda) a,b { cu1(lambda) a,b; u1(-lambda/2) a; }
gate cry(lambda) a,b { ry(lambda/2) b; cx a,b; ry(-lambda/2) b; cx a,b; }
gate crx(lambda) a,b {
  u1(pi/2) b; cx a,b; u3(-lambda/2,0,0) b; cx a,b; u3(lambda/2,-pi/2,0) b;
}
gate cu3(theta,phi,lambda) c,t {
  u1((lambda+phi)/2) c; u1((lambda-phi)/2) t; cx c,t;
  u3(-theta/2,0,-(phi+lambda)/2) t; cx c,t; u3(theta/2,phi,0) t;
}
gate cu(theta,phi,lambda,gamma) c,t {
  p(gamma) c; p((lambda+phi)/2) c; p((lambda-phi)/2) t; cx c,t;
  u(-theta/2,0,-(phi+lambda)/2) t; cx c,t; u(theta/2,phi,0) t;
}
gate ch a,b { s b; h b; t b; cx a,b; tdg b; h b; sdg b; }
gate cy a,b { sdg b; cx a,b; s b; }
gate csx a,b { h b; cu1(pi/2) a,b; h b; }
gate rzz(theta) a,b { cx a,b; u1(theta) b; cx a,b; }
gate rxx(theta) a,b {
  u3(pi/2,theta,0) a; h b; cx a,b; u1(-theta) b; cx a,b; h b; u2(-pi,pi-theta) a;
}
gate ryy(theta) a,b {
  rx(pi/2) a; rx(pi/2) b; cx a,b; rz(theta) b; cx a,b; rx(-pi/2) a; rx(-pi/2) b;
}
)";
}
