// gridswap-check: tells whether a mapped circuit is a correct nearest-neighbour version of its
// input circuit.
#include <iostream>
#include <string>
#include <vector>

#include "check/CheckMapping.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const CheckResult result = runCheckCommand(args);
  std::cout << result.message << std::endl;
  return result.status;
}
