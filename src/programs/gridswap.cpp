// gridswap: maps a quantum circuit onto a nearest-neighbour grid by inserting SWAP gates.
#include "driver/Driver.h"

int main(int argc, char** argv) {
  return runGridswap(argc, argv);
}
