// gridswap-check: tells whether a mapped circuit is a correct nearest-neighbour version of its
// input circuit.
#include "check/CheckMapping.h"

int main(int argc, char** argv) {
  return runCheckProgram(argc, argv);
}
