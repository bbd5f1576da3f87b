#include "check/CheckMapping.h"

#include <map>
#include <set>

#include "check/ChipFit.h"
#include "check/Mnemonics.h"
#include "check/SitePlacement.h"
#include "check/TextLines.h"
#include "chip/Chip.h"

const char kCheckUsage[] =
    "gridswap-check [--chip FILE] <input circuit> <mapped circuit> [<layout file>]";

namespace {

// Walks the input circuit and the mapped circuit side by side, replaying the inserted SWAPs.
class Walk {
 public:
  Walk(const InputCircuit& input, const MappedCircuit& mapped, const Chip* chip,
       const std::string& chipName)
      : input_(input),
        mapped_(mapped),
        chip_(chip),
        chipName_(chipName),
        placement_(static_cast<int>(mapped.qubits.size())) {}

  // Checks every line; on success the result carries the summary line.
  CheckResult run();

 private:
  // The next mapped record, or null at the end of the file.
  const MappedLine* peek() const {
    return next_ < mapped_.lines.size() ? &mapped_.lines[next_] : nullptr;
  }
  // The fault of finding something else where `what` should stand.
  CheckResult expected(const std::string& what, const InputLine& line) const;
  // Consumes the inserted SWAPs at the current point, checking and applying each.
  CheckResult takeSwaps();
  // Checks that a SWAP or gate record acts on adjacent sites.
  CheckResult checkAdjacent(const MappedLine& record) const;
  // Checks the input's declarations against the mapped header.
  CheckResult checkDeclarations();
  // Checks one input line against the records it became.
  CheckResult checkLine(const InputLine& line);
  CheckResult checkGate(const InputLine& line);

  const InputCircuit& input_;
  const MappedCircuit& mapped_;
  const Chip* chip_;             // the chip mapped onto, or null for the layout's full grid
  const std::string& chipName_;  // how the summary names the chip
  SitePlacement placement_;
  std::set<std::string> declared_;
  std::size_t next_ = 0;
  bool headerSeen_ = false;  // whether the header block has been matched
  int gates_ = 0;
};

CheckResult Walk::expected(const std::string& what, const InputLine& line) const {
  const std::string wanted = what + " for input line " + std::to_string(line.number);
  const MappedLine* found = peek();
  if (!found) {
    return faultAt(mapped_.path, mapped_.lineCount + 1, "file ends; expected " + wanted);
  }
  return faultAt(mapped_.path, found->number,
                 "expected " + wanted + ", found " + quoted(found->text));
}

CheckResult Walk::checkAdjacent(const MappedLine& record) const {
  return checkAdjacentSites(mapped_, record, chip_);
}

CheckResult Walk::takeSwaps() {
  while (peek() && peek()->kind == MappedLine::kSwap) {
    const MappedLine& swap = *peek();
    CheckResult result = checkAdjacent(swap);
    if (!result.ok()) return result;
    placement_.swapSites(swap.site1, swap.site2);
    ++next_;
  }
  return CheckResult();
}

CheckResult Walk::checkDeclarations() {
  std::map<std::string, int> firstLine;
  for (std::size_t k = 0; k < input_.qubits.size(); ++k) {
    const std::string& name = input_.qubits[k];
    auto seen = firstLine.find(name);
    if (seen != firstLine.end()) {
      return faultAt(input_.path, input_.qubitLine[k],
                     "qubit " + quoted(name) + " declared twice (first on line " +
                         std::to_string(seen->second) + ")");
    }
    firstLine[name] = input_.qubitLine[k];
    if (!mapped_.indexOf.count(name)) {
      return faultAt(mapped_.path, mapped_.headerLine,
                     "header does not declare input qubit " + quoted(name) + " (input line " +
                         std::to_string(input_.qubitLine[k]) + ")");
    }
    declared_.insert(name);
  }
  return CheckResult();
}

CheckResult Walk::checkGate(const InputLine& line) {
  const std::string& mnemonic = line.tokens[0];
  if (line.tokens.size() < 3) {
    return faultAt(input_.path, line.number, quoted(mnemonic) + " gate without two operands");
  }
  for (int k = 1; k <= 2; ++k) {
    if (!declared_.count(line.tokens[k])) {
      return faultAt(input_.path, line.number,
                     "gate on undeclared qubit " + quoted(line.tokens[k]));
    }
  }
  CheckResult result = takeSwaps();
  if (!result.ok()) return result;
  const MappedLine* gate = peek();
  if (!gate || gate->kind != MappedLine::kGate || gate->mnemonic != mnemonic) {
    return expected("a " + mnemonic + " gate", line);
  }
  const int qubit1 = placement_.qubitOn[gate->site1];
  const int qubit2 = placement_.qubitOn[gate->site2];
  if (qubit1 != mapped_.indexOf.at(line.tokens[1]) ||
      qubit2 != mapped_.indexOf.at(line.tokens[2])) {
    return faultAt(mapped_.path, gate->number,
                   mnemonic + " acts on qubits " + mapped_.qubits[qubit1] + " and " +
                       mapped_.qubits[qubit2] + ", but input line " + std::to_string(line.number) +
                       " has " + line.tokens[1] + " and " + line.tokens[2]);
  }
  const std::string field4 = line.tokens.size() >= 4 ? line.tokens[3] : "";
  if (gate->field4 != field4) {
    return faultAt(mapped_.path, gate->number,
                   "fourth field " + quoted(gate->field4) + " differs from " + quoted(field4) +
                       " on input line " + std::to_string(line.number));
  }
  result = checkAdjacent(*gate);
  if (!result.ok()) return result;
  ++gates_;
  ++next_;
  return CheckResult();
}

CheckResult Walk::checkLine(const InputLine& line) {
  const std::string first = line.tokens.empty() ? "" : line.tokens[0];
  if (first == "qubit") {
    // Declarations are replaced by the header block and leave no line of their own.
    if (line.tokens.size() < 2)
      return faultAt(input_.path, line.number, "qubit line without a name");
    return CheckResult();
  }
  if (isTwoQubitMnemonic(first)) return checkGate(line);

  const MappedLine* found = peek();
  const bool headerNext = found && found->kind == MappedLine::kHeader;
  if (first == ".qubit" && headerSeen_) {
    // Later ".qubit" lines may repeat the header block or leave no line.
    if (headerNext) ++next_;
    return CheckResult();
  }
  if (first == ".begin" && !headerSeen_ && headerNext) {
    // An input without a ".qubit" line gets its header block just before ".begin".
    headerSeen_ = true;
    ++next_;
  }

  std::string what;
  MappedLine::Kind kind = MappedLine::kOther;
  if (first == ".qubit") {
    what = "the \".qubit\" header block";
    kind = MappedLine::kHeader;
    headerSeen_ = true;
  } else if (first == ".end") {
    CheckResult result = takeSwaps();  // restoring SWAPs may stand before ".end"
    if (!result.ok()) return result;
    what = "\".end\"";
    kind = MappedLine::kEnd;
  } else {
    what = "the copied line " + quoted(line.text);
  }
  found = peek();
  if (!found || found->kind != kind || (kind == MappedLine::kOther && found->text != line.text)) {
    return expected(what, line);
  }
  ++next_;
  return CheckResult();
}

CheckResult Walk::run() {
  CheckResult result = chip_ ? checkFitsChip(mapped_, *chip_) : CheckResult();
  if (!result.ok()) return result;
  result = checkDeclarations();
  if (!result.ok()) return result;
  for (const InputLine& line : input_.lines) {
    result = checkLine(line);
    if (!result.ok()) return result;
  }
  if (const MappedLine* extra = peek()) {
    return faultAt(mapped_.path, extra->number,
                   "unexpected line " + quoted(extra->text) + " after the end of the input");
  }
  const int qubits = chip_ ? chip_->liveCount() : 0;
  const std::string where =
      chip_ ? "chip " + chipName_ + " (" + std::to_string(qubits) +
                  (qubits == 1 ? " qubit), " : " qubits), ")
            : "grid " + std::to_string(mapped_.width) + "x" + std::to_string(mapped_.height) + ", ";
  result.message = "OK: " + std::to_string(gates_) +
                   (gates_ == 1 ? " two-qubit gate, " : " two-qubit gates, ") +
                   std::to_string(mapped_.swapCount) +
                   (mapped_.swapCount == 1 ? " SWAP inserted, " : " SWAPs inserted, ") + where +
                   (mapped_.restored() ? "restored" : "not restored");
  return result;
}

}  // namespace

CheckResult checkMapped(const InputCircuit& input, const MappedCircuit& mapped, const Chip* chip,
                        const std::string& chipName) {
  return Walk(input, mapped, chip, chipName).run();
}

CheckResult checkMapping(const std::string& inputPath, const std::string& mappedPath,
                         const std::string& layoutPath, const Chip* chip,
                         const std::string& chipName) {
  InputCircuit input;
  CheckResult result = readInputCircuit(inputPath, &input);
  if (!result.ok()) return result;
  MappedCircuit mapped;
  result = readMappedCircuit(mappedPath, layoutPath, &mapped);
  if (!result.ok()) return result;
  return checkMapped(input, mapped, chip, chipName);
}

CheckResult checkMappingText(const std::string& inputPath, const std::string& inputText,
                             const std::string& mappedPath, const std::string& mappedText,
                             const std::string& layoutPath, const std::string& layoutText,
                             const Chip* chip, const std::string& chipName) {
  InputCircuit input;
  readInputCircuitLines(inputPath, textLines(inputText), &input);
  MappedCircuit mapped;
  const CheckResult result = readMappedCircuitLines(mappedPath, textLines(mappedText), layoutPath,
                                                    textLines(layoutText), &mapped);
  if (!result.ok()) return result;
  return checkMapped(input, mapped, chip, chipName);
}
