// gridswap-map: maps a circuit with a chosen search effort and writes the checked result.
#include <string>
#include <vector>

#include "search/EffortMap.h"

int main(int argc, char** argv) {
  return runMapCommand(std::vector<std::string>(argv + 1, argv + argc));
}
