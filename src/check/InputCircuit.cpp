#include "check/InputCircuit.h"

#include "check/TextLines.h"

CheckResult readInputCircuit(const std::string& path, InputCircuit* circuit) {
  std::vector<std::string> lines;
  if (!readLines(path, &lines)) return unreadableFile(path);
  readInputCircuitLines(path, lines, circuit);
  return CheckResult();
}

void readInputCircuitLines(const std::string& path, const std::vector<std::string>& lines,
                           InputCircuit* circuit) {
  *circuit = InputCircuit();
  circuit->path = path;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    InputLine line;
    line.number = static_cast<int>(i) + 1;
    line.text = lines[i];
    line.tokens = whitespaceTokens(lines[i]);
    if (line.tokens.size() >= 2 && line.tokens[0] == "qubit") {
      circuit->qubits.push_back(line.tokens[1]);
      circuit->qubitLine.push_back(line.number);
    }
    circuit->lines.push_back(line);
  }
}
