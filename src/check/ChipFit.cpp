#include "check/ChipFit.h"

#include <string>

#include "chip/Chip.h"

CheckResult checkFitsChip(const MappedCircuit& circuit, const Chip& chip) {
  if (circuit.width != chip.width() || circuit.height != chip.height()) {
    return faultAt(circuit.layoutPath, 1,
                   "layout is " + std::to_string(circuit.width) + "x" +
                       std::to_string(circuit.height) + ", but the chip's grid is " +
                       std::to_string(chip.width()) + "x" + std::to_string(chip.height()));
  }
  for (int y = 0; y < circuit.height; ++y) {
    for (int x = 0; x < circuit.width; ++x) {
      const int site = circuit.initialAt[static_cast<std::size_t>(y) * circuit.width + x];
      const std::string where = positionText(GridPos{x, y});
      if (site >= 0 && !chip.live(Location{x, y})) {
        return faultAt(
            circuit.layoutPath, y + 1,
            where + " holds site " + circuit.qubits[site] + ", but the chip has no qubit there");
      }
      if (site < 0 && chip.live(Location{x, y})) {
        return faultAt(circuit.layoutPath, y + 1,
                       where + " is \".\", but the chip has qubit " +
                           std::to_string(chip.deviceIndex(Location{x, y})) + " there");
      }
    }
  }
  return CheckResult();
}
