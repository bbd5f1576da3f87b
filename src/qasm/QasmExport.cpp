// A mapped circuit and its layout to OpenQASM 2.0 on the physical qubits of the grid.
#include "qasm/QasmExport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "check/SitePlacement.h"
#include "check/TextLines.h"
#include "chip/Chip.h"
#include "qasm/ClassicalLines.h"
#include "qasm/GateLibrary.h"
#include "qasm/QasmError.h"
#include "qasm/QasmExpr.h"

namespace {

std::string physical(int index) {
  return "q[" + std::to_string(index) + "]";
}

// An angle field rewritten as OpenQASM accepts it; throws when it is not a number.
std::string angle(const std::string& field, const std::string& gate, int line) {
  const double value = std::strtod(field.c_str(), nullptr);
  if (!isDecimalNumber(field) || !std::isfinite(value)) {
    throw QasmError(line, gate + " needs a number as angle, found \"" + field + "\"");
  }
  return formatNumber(value);
}

// Whether GEO and ZENO lines carry a parameter: all of them or none of each mnemonic.
std::map<std::string, bool> opaqueArity(const MappedCircuit& mapped) {
  std::map<std::string, bool> withParam;
  for (const MappedLine& l : mapped.lines) {
    if (l.kind != MappedLine::kGate || (l.mnemonic != "GEO" && l.mnemonic != "ZENO")) continue;
    const bool has = !l.field4.empty();
    const auto seen = withParam.find(l.mnemonic);
    if (seen != withParam.end() && seen->second != has) {
      throw QasmError(l.number, l.mnemonic + " is used both with and without a parameter");
    }
    withParam[l.mnemonic] = has;
  }
  return withParam;
}

// The statement of a two-qubit gate line on grid indices a and b.
std::string twoQubitGate(const MappedLine& l, int a, int b) {
  const std::string operands = " " + physical(a) + "," + physical(b) + ";";
  if (l.mnemonic == "CNOT") return "cx" + operands;
  if (l.mnemonic == "CZ") return "cz" + operands;
  if (l.mnemonic == "SWAP") return "swap" + operands;
  if (l.mnemonic == "CP") return "cu1(" + angle(l.field4, "CP", l.number) + ")" + operands;
  if (l.field4.empty()) return l.mnemonic + operands;
  return l.mnemonic + "(" + angle(l.field4, l.mnemonic, l.number) + ")" + operands;
}

class Exporter {
 public:
  Exporter(const MappedCircuit& mapped, ExportCounts* counts, const Chip& chip)
      : mapped_(mapped),
        counts_(counts),
        chip_(chip),
        placement_(static_cast<int>(mapped.qubits.size())) {}

  // The comment line that tells how sites are numbered is `gridLine`.
  std::string run(const std::string& title, const std::string& gridLine);

 private:
  // The index in q of a site: the chip's device index of its position.
  int device(int site) const {
    const GridPos p = mapped_.sitePos[static_cast<std::size_t>(site)];
    return chip_.deviceIndex(Location{p.x, p.y});
  }
  void otherLine(const MappedLine& l);
  void classicalLine(const ClassicalLine& c, const MappedLine& l);
  void oneQubitGate(const std::vector<std::string>& tokens, const MappedLine& l);
  // Appends a gate, measure or reset statement, under the pending condition if there is one.
  void statement(const std::string& text);
  // Fails when a condition is pending: it must be followed by what it controls.
  void noPendingCondition() const;
  int qubitIndex(const std::string& name, int line) const;
  // Declares the classical registers: those of "# creg" lines, then any that only measurements
  // name, as large as their highest bit needs.
  void collectRegisters();

  const MappedCircuit& mapped_;
  ExportCounts* counts_;
  const Chip& chip_;  // the chip whose device indices number the sites
  SitePlacement placement_;
  std::vector<std::pair<std::string, long long>> cregs_;  // name and size, in order
  std::map<std::string, long long> cregSize_;
  std::string condition_;  // "if(c==1) " while a condition waits for its statement
  int conditionLine_ = 0;
  std::string body_;
};

int Exporter::qubitIndex(const std::string& name, int line) const {
  const auto it = mapped_.indexOf.find(name);
  if (it == mapped_.indexOf.end()) throw QasmError(line, "unknown qubit " + name);
  return device(placement_.siteOf[static_cast<std::size_t>(it->second)]);
}

void Exporter::collectRegisters() {
  std::map<std::string, long long> needed;
  std::vector<std::string> neededOrder;
  for (const MappedLine& l : mapped_.lines) {
    if (l.kind != MappedLine::kOther) continue;
    std::string error;
    const ClassicalLine c = parseClassicalLine(l.text, &error);
    if (!error.empty()) throw QasmError(l.number, error);
    if (c.kind == ClassicalLine::kCreg) {
      if (cregSize_.count(c.reg)) {
        throw QasmError(l.number, "classical register " + c.reg + " is declared twice");
      }
      cregSize_[c.reg] = c.number;
      cregs_.push_back({c.reg, c.number});
    } else if (c.kind == ClassicalLine::kMeasure) {
      if (!needed.count(c.reg)) neededOrder.push_back(c.reg);
      needed[c.reg] = std::max(needed[c.reg], c.number + 1);
    }
  }
  for (const std::string& reg : neededOrder) {
    if (cregSize_.count(reg)) continue;
    cregSize_[reg] = needed[reg];
    cregs_.push_back({reg, needed[reg]});
  }
}

void Exporter::statement(const std::string& text) {
  if (!condition_.empty()) ++counts_->conditions;
  body_ += condition_ + text + "\n";
  condition_.clear();
}

void Exporter::noPendingCondition() const {
  if (condition_.empty()) return;
  throw QasmError(conditionLine_, "a condition must be followed by a gate, measure or reset");
}

void Exporter::classicalLine(const ClassicalLine& c, const MappedLine& l) {
  switch (c.kind) {
    case ClassicalLine::kNone:
    case ClassicalLine::kCreg:
      break;
    case ClassicalLine::kMeasure: {
      const long long size = cregSize_.at(c.reg);
      if (c.number >= size) {
        throw QasmError(l.number, c.reg + "[" + std::to_string(c.number) + "] is out of range: " +
                                      c.reg + " has " + countOf(size, "bit"));
      }
      statement("measure " + physical(qubitIndex(c.qubits[0], l.number)) + " -> " + c.reg + "[" +
                std::to_string(c.number) + "];");
      ++counts_->measurements;
      break;
    }
    case ClassicalLine::kReset:
      statement("reset " + physical(qubitIndex(c.qubits[0], l.number)) + ";");
      ++counts_->resets;
      break;
    case ClassicalLine::kBarrier: {
      noPendingCondition();
      std::string text = "barrier ";
      for (std::size_t k = 0; k < c.qubits.size(); ++k)
        text += (k ? "," : "") + physical(qubitIndex(c.qubits[k], l.number));
      body_ += text + ";\n";
      ++counts_->barriers;
      break;
    }
    case ClassicalLine::kIf:
      noPendingCondition();
      if (!cregSize_.count(c.reg)) {
        throw QasmError(l.number, "condition on undeclared classical register " + c.reg);
      }
      condition_ = "if(" + c.reg + "==" + c.value + ") ";
      conditionLine_ = l.number;
      break;
  }
}

void Exporter::oneQubitGate(const std::vector<std::string>& tokens, const MappedLine& l) {
  const NativeGate* gate = nativeForMnemonic(tokens[0]);
  if (!gate || gate->qubits != 1) throw QasmError(l.number, "unknown gate " + tokens[0]);
  const std::size_t fields = 2 + static_cast<std::size_t>(gate->params);
  if (tokens.size() != fields) {
    const int n = gate->params;
    const std::string angles = n == 0 ? "no angle" : countOf(n, "angle");
    throw QasmError(l.number, tokens[0] + " takes a qubit and " + angles + ": \"" + l.text + "\"");
  }
  std::string text = gate->name;
  for (std::size_t k = 2; k < fields; ++k) {
    text += (k == 2 ? "(" : ",") + angle(tokens[k], tokens[0], l.number);
  }
  if (fields > 2) text += ")";
  statement(text + " " + physical(qubitIndex(tokens[1], l.number)) + ";");
  ++counts_->oneQubit;
}

// Comments, one-qubit gates and everything else the mapping copied from its input.
void Exporter::otherLine(const MappedLine& l) {
  const std::vector<std::string> tokens = whitespaceTokens(l.text);
  if (tokens.empty() || tokens[0] == ".begin") return;
  if (tokens[0][0] == '#') {
    std::string error;
    const ClassicalLine c = parseClassicalLine(l.text, &error);
    if (c.kind != ClassicalLine::kNone) return classicalLine(c, l);
    noPendingCondition();
    body_ += "//" + l.text.substr(l.text.find('#') + 1) + "\n";
    return;
  }
  if (tokens[0] == "Prep0" && tokens.size() == 2) {
    statement("reset " + physical(qubitIndex(tokens[1], l.number)) + ";");
    ++counts_->resets;
    return;
  }
  oneQubitGate(tokens, l);
}

std::string Exporter::run(const std::string& title, const std::string& gridLine) {
  const std::map<std::string, bool> opaque = opaqueArity(mapped_);
  collectRegisters();
  for (const MappedLine& l : mapped_.lines) {
    switch (l.kind) {
      case MappedLine::kHeader:
        break;
      case MappedLine::kEnd:
        noPendingCondition();
        break;
      case MappedLine::kSwap:
        // Inserted SWAPs move qubits for the gate they precede; they are never controlled.
        body_ += "swap " + physical(device(l.site1)) + "," + physical(device(l.site2)) + ";\n";
        placement_.swapSites(l.site1, l.site2);
        ++counts_->swaps;
        break;
      case MappedLine::kGate:
        statement(twoQubitGate(l, device(l.site1), device(l.site2)));
        ++counts_->twoQubit;
        break;
      case MappedLine::kOther:
        otherLine(l);
        break;
    }
  }
  noPendingCondition();

  const int sites = mapped_.width * mapped_.height;
  std::string head =
      "// " + (title.empty() ? mapped_.path + " exported by gridswap-qasm" : title) + "\n";
  head += gridLine;
  head += "// initial placement:\n";
  for (std::size_t q = 0; q < mapped_.qubits.size(); ++q) {
    head += "//   " + mapped_.qubits[q] + " at " + physical(device(static_cast<int>(q))) + "\n";
  }
  head += "// final placement:\n";
  std::vector<int> finalIndex(mapped_.qubits.size());
  for (int g = 0; g < sites; ++g) {
    const int qubit = mapped_.finalAt[static_cast<std::size_t>(g)];
    if (qubit >= 0) {
      finalIndex[static_cast<std::size_t>(qubit)] =
          chip_.deviceIndex(Location{g % mapped_.width, g / mapped_.width});
    }
  }
  for (std::size_t q = 0; q < mapped_.qubits.size(); ++q) {
    head += "//   " + mapped_.qubits[q] + " at " + physical(finalIndex[q]) + "\n";
  }
  head += "OPENQASM 2.0;\ninclude \"qelib1.inc\";\n";
  for (const auto& [name, withParam] : opaque) {
    head += "opaque " + name + (withParam ? "(p)" : "") + " a,b;\n";
  }
  head += "qreg q[" + std::to_string(chip_.registerSize()) + "];\n";
  for (const auto& [name, size] : cregs_)
    head += "creg " + name + "[" + std::to_string(size) + "];\n";
  return head + body_;
}

}  // namespace

std::string countOf(long long n, const std::string& thing) {
  return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

std::string classicalSummary(long long measurements, long long resets, long long barriers,
                             long long conditions) {
  std::string text;
  if (measurements) text += ", " + countOf(measurements, "measurement");
  if (resets) text += ", " + countOf(resets, "reset");
  if (barriers) text += ", " + countOf(barriers, "barrier");
  if (conditions) text += ", " + countOf(conditions, "classically controlled operation");
  return text;
}

std::string exportQasm(const MappedCircuit& mapped, ExportCounts* counts, const std::string& title,
                       const Chip* chip, const std::string& chipName) {
  *counts = ExportCounts();
  const std::string grid =
      "// grid " + std::to_string(mapped.width) + " x " + std::to_string(mapped.height);
  if (chip) {
    return Exporter(mapped, counts, *chip)
        .run(title, grid + ", chip " + chipName + ": q[i] is the chip's qubit of index i\n");
  }
  // A grid's device indices are its row-major numbers.
  const Chip full = Chip::grid(mapped.width, mapped.height);
  return Exporter(mapped, counts, full)
      .run(title, grid + ": site (x, y) is q[y*" + std::to_string(mapped.width) + " + x]\n");
}
