#include "qasm/CircWriter.h"

std::string uniqueQubitName(const std::string& reg, int index, const std::set<std::string>& taken) {
  std::string separator;
  while (true) {
    std::string name = reg + separator + std::to_string(index);
    if (taken.count(name) == 0) return name;
    separator += '_';
  }
}

std::string circText(const CircCircuit& circuit) {
  std::string text;
  for (const std::string& c : circuit.comments)
    text += "# " + c + "\n";
  text += ".qubit " + std::to_string(circuit.qubits.size()) + "\n";
  for (const std::string& q : circuit.qubits)
    text += "qubit " + q + "\n";
  text += ".begin\n";
  for (const std::string& l : circuit.lines)
    text += l + "\n";
  text += ".end\n";
  return text;
}
