// A Bell pair on two qubits of q, a Toffoli onto an ancilla and a controlled phase.
OPENQASM 2.0;
include "qelib1.inc";
gate bell a, b { h a; cx a, b; }
qreg q[2];
qreg anc[2];
creg c[2];
bell q[0], q[1];
ccx q[0], q[1], anc[0];
cu1(pi/4) anc[0], anc[1];
measure q -> c;
