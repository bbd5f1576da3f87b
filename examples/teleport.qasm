// Teleportation of a one-qubit state from q[0] to q[2]: two measurements in the middle, two
// gates controlled by their bits, and the final measurement.
OPENQASM 2.0;
include "qelib1.inc";
qreg q[3];
creg m0[1];
creg m1[1];
creg result[1];
u3(0.3,0.2,0.1) q[0];
h q[1];
cx q[1],q[2];
cx q[0],q[1];
h q[0];
measure q[0] -> m0[0];
measure q[1] -> m1[0];
if(m1==1) x q[2];
if(m0==1) z q[2];
reset q[0];
barrier q;
measure q[2] -> result[0];
