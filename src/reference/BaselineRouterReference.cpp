// The reference baseline router: re-reads the stored text for every placement.
#include <sstream>

#include "reference/ReferenceVersions.h"
#include "routing/GridPaths.h"

int baselineCostReference(const CircuitModel& model, const Grid& placement, std::ostream* out) {
  std::istringstream reader(model.circuitText);
  std::string line;
  int costB = 0;
  while (std::getline(reader, line)) {
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word == ".qubit" || word == "qubit" || !isTwoQubitGate(word)) continue;
    std::string first;
    std::string second;
    words >> first >> second;
    const Location a = placement.idxToLoc(model.indexOf(first));
    const Location b = placement.idxToLoc(model.indexOf(second));
    if (dist(a, b) == 1) {
      if (out) *out << line << std::endl;
      continue;
    }
    std::vector<Location> path;
    findPath(a, b, path);
    const int n = static_cast<int>(path.size());
    if (n != 1) costB += 2 * n - 2;
  }
  return costB;
}
