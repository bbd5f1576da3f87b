// A mapped circuit and its layout to OpenQASM 2.0 on the physical qubits of the grid.
#include "qasm/QasmExport.h"

#include <cmath>
#include <cstdlib>
#include <map>

#include "check/SitePlacement.h"
#include "check/TextLines.h"
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
  Exporter(const MappedCircuit& mapped, ExportCounts* counts)
      : mapped_(mapped), counts_(counts), placement_(static_cast<int>(mapped.qubits.size())) {}

  std::string run();

 private:
  void otherLine(const MappedLine& l);
  int qubitIndex(const std::string& name, int line) const;

  const MappedCircuit& mapped_;
  ExportCounts* counts_;
  SitePlacement placement_;
  std::string body_;
};

int Exporter::qubitIndex(const std::string& name, int line) const {
  const auto it = mapped_.indexOf.find(name);
  if (it == mapped_.indexOf.end()) throw QasmError(line, "unknown qubit " + name);
  return mapped_.gridIndex(placement_.siteOf[static_cast<std::size_t>(it->second)]);
}

// Comments, one-qubit gates and everything else the mapping copied from its input.
void Exporter::otherLine(const MappedLine& l) {
  const std::vector<std::string> tokens = whitespaceTokens(l.text);
  if (tokens.empty() || tokens[0] == ".begin") return;
  if (tokens[0][0] == '#') {
    body_ += "//" + l.text.substr(l.text.find('#') + 1) + "\n";
    return;
  }
  if (tokens[0] == "Prep0" && tokens.size() == 2) {
    body_ += "reset " + physical(qubitIndex(tokens[1], l.number)) + ";\n";
    ++counts_->oneQubit;
    return;
  }
  const NativeGate* gate = nativeForMnemonic(tokens[0]);
  if (!gate || gate->qubits != 1) throw QasmError(l.number, "unknown gate " + tokens[0]);
  const std::size_t fields = 2 + static_cast<std::size_t>(gate->params);
  if (tokens.size() != fields) {
    const int n = gate->params;
    const std::string angles =
        n == 0 ? "no angle" : std::to_string(n) + (n == 1 ? " angle" : " angles");
    throw QasmError(l.number, tokens[0] + " takes a qubit and " + angles + ": \"" + l.text + "\"");
  }
  std::string statement = gate->name;
  for (std::size_t k = 2; k < fields; ++k) {
    statement += (k == 2 ? "(" : ",") + angle(tokens[k], tokens[0], l.number);
  }
  if (fields > 2) statement += ")";
  body_ += statement + " " + physical(qubitIndex(tokens[1], l.number)) + ";\n";
  ++counts_->oneQubit;
}

std::string Exporter::run() {
  const std::map<std::string, bool> opaque = opaqueArity(mapped_);
  for (const MappedLine& l : mapped_.lines) {
    switch (l.kind) {
      case MappedLine::kHeader:
      case MappedLine::kEnd:
        break;
      case MappedLine::kSwap:
        body_ += "swap " + physical(mapped_.gridIndex(l.site1)) + "," +
                 physical(mapped_.gridIndex(l.site2)) + ";\n";
        placement_.swapSites(l.site1, l.site2);
        ++counts_->swaps;
        break;
      case MappedLine::kGate:
        body_ += twoQubitGate(l, mapped_.gridIndex(l.site1), mapped_.gridIndex(l.site2)) + "\n";
        ++counts_->twoQubit;
        break;
      case MappedLine::kOther:
        otherLine(l);
        break;
    }
  }

  const int sites = mapped_.width * mapped_.height;
  std::string head = "// " + mapped_.path + " exported by gridswap-qasm\n";
  head += "// grid " + std::to_string(mapped_.width) + " x " + std::to_string(mapped_.height) +
          ": site (x, y) is q[y*" + std::to_string(mapped_.width) + " + x]\n";
  head += "// initial placement:\n";
  for (std::size_t q = 0; q < mapped_.qubits.size(); ++q) {
    head += "//   " + mapped_.qubits[q] + " at " +
            physical(mapped_.gridIndex(static_cast<int>(q))) + "\n";
  }
  head += "// final placement:\n";
  std::vector<int> finalIndex(mapped_.qubits.size());
  for (int g = 0; g < sites; ++g)
    finalIndex[static_cast<std::size_t>(mapped_.finalAt[g])] = g;
  for (std::size_t q = 0; q < mapped_.qubits.size(); ++q) {
    head += "//   " + mapped_.qubits[q] + " at " + physical(finalIndex[q]) + "\n";
  }
  head += "OPENQASM 2.0;\ninclude \"qelib1.inc\";\n";
  for (const auto& [name, withParam] : opaque) {
    head += "opaque " + name + (withParam ? "(p)" : "") + " a,b;\n";
  }
  head += "qreg q[" + std::to_string(sites) + "];\n";
  return head + body_;
}

}  // namespace

std::string exportQasm(const MappedCircuit& mapped, ExportCounts* counts) {
  *counts = ExportCounts();
  return Exporter(mapped, counts).run();
}
