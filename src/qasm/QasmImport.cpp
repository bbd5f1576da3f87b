// OpenQASM 2 to gridswap's circuit format: registers become named qubits, gates become lines,
// defined gates are inlined and whole-register operands broadcast.
#include "qasm/QasmImport.h"

#include <cmath>
#include <map>
#include <memory>

#include "qasm/ClassicalLines.h"
#include "qasm/GateLibrary.h"
#include "qasm/QasmError.h"
#include "qasm/QasmParser.h"

namespace {

// A gate known to the import: written as one line, defined by a body, or declared opaque.
struct GateEntry {
  const NativeGate* native = nullptr;
  QasmGateDef def;  // name, parameters and qubits for every kind; the body for defined gates
  std::vector<std::shared_ptr<const GateEntry>> calls;  // per body op; null for a barrier
  bool opaque = false;
  bool fromLibrary = false;
  int params() const { return native ? native->params : static_cast<int>(def.params.size()); }
  int qubits() const { return native ? native->qubits : static_cast<int>(def.qubits.size()); }
};

std::string count(int n, const std::string& what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

struct Register {
  int first = 0;  // qubit index of element 0 (quantum registers)
  int size = 0;
};

class Importer {
 public:
  explicit Importer(const ImportOptions& options) : options_(options) {
    for (const NativeGate& g : nativeGates()) {
      if (g.builtin) addNative(g);
    }
  }

  void statement(const QasmStatement& st);
  CircCircuit finish(const std::string& sourceName);

 private:
  void addNative(const NativeGate& g);
  void include(const QasmStatement& st);
  void define(const QasmGateDef& def, bool fromLibrary);
  void declare(const QasmStatement& st);
  void gate(const QasmStatement& st);
  void measure(const QasmStatement& st);
  void apply(const GateEntry& g, const std::vector<double>& params, const std::vector<int>& qubits,
             int line);
  void reset(const QasmStatement& st);
  void barrier(const QasmStatement& st);
  // Appends a line; a gate, measure or reset line (`controlled`) of a classically controlled
  // statement gets the condition line before it.
  void emit(std::string text, int line, bool controlled = true);
  std::shared_ptr<const GateEntry> known(const std::string& name, int line) const;
  void checkArity(const GateEntry& g, std::size_t params, std::size_t qubits, int line) const;
  std::vector<int> resolve(const QasmOperand& op, int line) const;
  std::vector<std::vector<int>> broadcast(const std::vector<QasmOperand>& ops,
                                          const std::string& what, int line) const;

  ImportOptions options_;
  std::map<std::string, std::shared_ptr<const GateEntry>> gates_;
  std::map<std::string, Register> qregs_;
  std::map<std::string, Register> cregs_;
  std::vector<std::string> labels_;  // "q[3]" per qubit index, for messages
  std::set<std::string> taken_;
  bool qelib1_ = false;
  bool droppedMeasure_ = false;
  std::vector<std::string> cregComments_;  // one "creg NAME[SIZE]" per classical register
  std::string condition_;  // the condition comment of the statement being converted, or empty
  CircCircuit out_;
};

void Importer::addNative(const NativeGate& g) {
  auto entry = std::make_shared<GateEntry>();
  entry->native = &g;
  entry->def.name = g.name;
  entry->fromLibrary = true;
  gates_[g.name] = entry;
}

void Importer::statement(const QasmStatement& st) {
  switch (st.kind) {
    case QasmStatement::kVersion:
      break;
    case QasmStatement::kInclude:
      include(st);
      break;
    case QasmStatement::kQreg:
    case QasmStatement::kCreg:
      declare(st);
      break;
    case QasmStatement::kGateDef:
      define(st.def, false);
      break;
    case QasmStatement::kOpaque: {
      const auto it = gates_.find(st.def.name);
      if (it != gates_.end() && !it->second->fromLibrary) {
        throw QasmError(st.line, "gate " + st.def.name + " is already defined");
      }
      auto entry = std::make_shared<GateEntry>();
      entry->def = st.def;
      entry->opaque = true;
      gates_[st.def.name] = entry;
      break;
    }
    case QasmStatement::kGate:
    case QasmStatement::kMeasure:
    case QasmStatement::kReset:
      condition_.clear();
      if (st.conditioned) {
        if (!cregs_.count(st.condReg)) {
          throw QasmError(st.line, "unknown classical register " + st.condReg);
        }
        condition_ = conditionComment(st.condReg, st.condValue);
      }
      if (st.kind == QasmStatement::kGate) gate(st);
      if (st.kind == QasmStatement::kMeasure) measure(st);
      if (st.kind == QasmStatement::kReset) reset(st);
      condition_.clear();
      break;
    case QasmStatement::kBarrier:
      barrier(st);
      break;
  }
}

void Importer::reset(const QasmStatement& st) {
  for (int q : resolve(st.args[0], st.line)) {
    emit("# " + resetComment(out_.qubits[static_cast<std::size_t>(q)]), st.line);
    ++out_.resets;
  }
}

void Importer::barrier(const QasmStatement& st) {
  std::vector<std::string> names;
  for (const QasmOperand& op : st.args) {
    for (int q : resolve(op, st.line))
      names.push_back(out_.qubits[static_cast<std::size_t>(q)]);
  }
  emit("# " + barrierComment(names), st.line, false);
  ++out_.barriers;
}

void Importer::include(const QasmStatement& st) {
  if (st.name != "qelib1.inc") {
    throw QasmError(st.line, "cannot include \"" + st.name + "\": only qelib1.inc is known");
  }
  if (qelib1_) return;
  qelib1_ = true;
  for (const NativeGate& g : nativeGates()) {
    if (!g.builtin && !gates_.count(g.name)) addNative(g);
  }
  QasmParser library(qelib1Definitions());
  QasmStatement def;
  while (library.next(def)) {
    if (!gates_.count(def.def.name)) define(def.def, true);
  }
}

std::shared_ptr<const GateEntry> Importer::known(const std::string& name, int line) const {
  const auto it = gates_.find(name);
  if (it == gates_.end()) throw QasmError(line, "unknown gate " + name);
  if (it->second->opaque) throw QasmError(line, "opaque gate " + name + " cannot be converted");
  return it->second;
}

void Importer::checkArity(const GateEntry& g, std::size_t params, std::size_t qubits,
                          int line) const {
  const std::string& name = g.def.name;
  if (static_cast<int>(params) != g.params()) {
    throw QasmError(line, "gate " + name + " takes " + count(g.params(), "parameter") + ", not " +
                              std::to_string(params));
  }
  if (static_cast<int>(qubits) != g.qubits()) {
    throw QasmError(line, "gate " + name + " takes " + count(g.qubits(), "qubit") + ", not " +
                              std::to_string(qubits));
  }
}

void Importer::define(const QasmGateDef& def, bool fromLibrary) {
  const auto it = gates_.find(def.name);
  if (it != gates_.end() && !it->second->fromLibrary) {
    throw QasmError(def.line, "gate " + def.name + " is already defined");
  }
  auto entry = std::make_shared<GateEntry>();
  entry->def = def;
  entry->fromLibrary = fromLibrary;
  for (const QasmBodyOp& op : def.body) {
    if (op.name == "barrier") {
      entry->calls.push_back(nullptr);
      continue;
    }
    std::shared_ptr<const GateEntry> callee = known(op.name, op.line);
    checkArity(*callee, op.params.size(), op.qubits.size(), op.line);
    for (std::size_t i = 0; i < op.qubits.size(); ++i) {
      for (std::size_t j = 0; j < i; ++j) {
        if (op.qubits[i] == op.qubits[j]) {
          throw QasmError(op.line, "gate " + op.name + " uses qubit " +
                                       def.qubits[static_cast<std::size_t>(op.qubits[i])] +
                                       " twice");
        }
      }
    }
    entry->calls.push_back(callee);
  }
  gates_[def.name] = entry;
}

void Importer::declare(const QasmStatement& st) {
  if (qregs_.count(st.name) || cregs_.count(st.name)) {
    throw QasmError(st.line, "register " + st.name + " is already declared");
  }
  Register reg;
  reg.size = st.size;
  if (st.kind == QasmStatement::kCreg) {
    cregs_[st.name] = reg;
    cregComments_.push_back(cregComment(st.name, st.size));
    return;
  }
  reg.first = static_cast<int>(out_.qubits.size());
  qregs_[st.name] = reg;
  for (int i = 0; i < st.size; ++i) {
    const std::string name = uniqueQubitName(st.name, i, taken_);
    taken_.insert(name);
    out_.qubits.push_back(name);
    labels_.push_back(st.name + "[" + std::to_string(i) + "]");
  }
}

std::vector<int> Importer::resolve(const QasmOperand& op, int line) const {
  const auto it = qregs_.find(op.reg);
  if (it == qregs_.end()) throw QasmError(line, "unknown quantum register " + op.reg);
  const Register& reg = it->second;
  if (op.index >= reg.size) {
    throw QasmError(line, op.reg + "[" + std::to_string(op.index) + "] is out of range: " + op.reg +
                              " has " + count(reg.size, "qubit"));
  }
  std::vector<int> qubits;
  if (op.index >= 0) {
    qubits.push_back(reg.first + op.index);
  } else {
    for (int i = 0; i < reg.size; ++i)
      qubits.push_back(reg.first + i);
  }
  return qubits;
}

// One list of qubits per application: whole registers are taken element by element, single
// qubits repeat in every application.
std::vector<std::vector<int>> Importer::broadcast(const std::vector<QasmOperand>& ops,
                                                  const std::string& what, int line) const {
  std::vector<std::vector<int>> resolved;
  std::size_t times = 1;
  for (const QasmOperand& op : ops) {
    resolved.push_back(resolve(op, line));
    if (op.index >= 0) continue;
    if (times > 1 && resolved.back().size() != times) {
      throw QasmError(line, what + " is applied to registers of different sizes");
    }
    times = resolved.back().size();
  }
  std::vector<std::vector<int>> applications(times);
  for (std::size_t k = 0; k < times; ++k) {
    for (const std::vector<int>& qubits : resolved) {
      applications[k].push_back(qubits.size() == 1 ? qubits[0] : qubits[k]);
    }
  }
  return applications;
}

void Importer::gate(const QasmStatement& st) {
  std::shared_ptr<const GateEntry> g = known(st.name, st.line);
  checkArity(*g, st.params.size(), st.args.size(), st.line);
  std::vector<double> params;
  for (const QasmExpr& e : st.params)
    params.push_back(evalExpr(e, {}));
  for (const std::vector<int>& qubits : broadcast(st.args, "gate " + st.name, st.line)) {
    for (std::size_t i = 0; i < qubits.size(); ++i) {
      for (std::size_t j = 0; j < i; ++j) {
        if (qubits[i] == qubits[j]) {
          throw QasmError(st.line, "gate " + st.name + " uses qubit " +
                                       labels_[static_cast<std::size_t>(qubits[i])] + " twice");
        }
      }
    }
    apply(*g, params, qubits, st.line);
  }
}

void Importer::apply(const GateEntry& g, const std::vector<double>& params,
                     const std::vector<int>& qubits, int line) {
  if (g.native) {
    std::string text = g.native->mnemonic;
    for (int q : qubits)
      text += " " + out_.qubits[static_cast<std::size_t>(q)];
    for (double p : params) {
      if (!std::isfinite(p)) {
        throw QasmError(line, "an angle of gate " + g.def.name + " is not a finite number");
      }
      text += " " + formatNumber(p);
    }
    (g.native->qubits == 2 ? out_.twoQubitGates : out_.oneQubitGates) += 1;
    emit(std::move(text), line);
    return;
  }
  for (std::size_t k = 0; k < g.def.body.size(); ++k) {
    const QasmBodyOp& op = g.def.body[k];
    std::vector<int> inner;
    for (int position : op.qubits)
      inner.push_back(qubits[static_cast<std::size_t>(position)]);
    if (!g.calls[k]) {
      // A barrier only orders the gates around it: it is kept, and never controlled.
      std::vector<std::string> names;
      for (int q : inner)
        names.push_back(out_.qubits[static_cast<std::size_t>(q)]);
      emit("# " + barrierComment(names), line, false);
      ++out_.barriers;
      continue;
    }
    std::vector<double> values;
    for (const QasmExpr& e : op.params)
      values.push_back(evalExpr(e, params));
    apply(*g.calls[k], values, inner, line);
  }
}

void Importer::measure(const QasmStatement& st) {
  if (options_.ignoreMeasure) {
    droppedMeasure_ = true;
    return;
  }
  const QasmOperand& q = st.args[0];
  const QasmOperand& c = st.args[1];
  const std::vector<int> qubits = resolve(q, st.line);
  const auto it = cregs_.find(c.reg);
  if (it == cregs_.end()) throw QasmError(st.line, "unknown classical register " + c.reg);
  const int bits = it->second.size;
  if (c.index >= bits) {
    throw QasmError(st.line, c.reg + "[" + std::to_string(c.index) + "] is out of range: " + c.reg +
                                 " has " + count(bits, "bit"));
  }
  if ((q.index < 0) != (c.index < 0) || (c.index < 0 && static_cast<int>(qubits.size()) != bits)) {
    throw QasmError(st.line, "measure needs a qubit and a bit, or two registers of one size");
  }
  // One controlled statement tests its condition once; measures written one per bit would
  // test it again after each bit has changed the register.
  if (st.conditioned && st.condReg == c.reg && qubits.size() > 1) {
    throw QasmError(st.line, "a controlled measure into the whole register " + c.reg +
                                 " it tests cannot be carried faithfully");
  }
  for (std::size_t k = 0; k < qubits.size(); ++k) {
    const int bit = c.index >= 0 ? c.index : static_cast<int>(k);
    emit("# " + measureComment(out_.qubits[static_cast<std::size_t>(qubits[k])], c.reg, bit),
         st.line);
    ++out_.measurements;
  }
}

void Importer::emit(std::string text, int line, bool controlled) {
  const bool conditioned = controlled && !condition_.empty();
  const long long room = options_.maxLines - static_cast<long long>(out_.lines.size());
  if (room < (conditioned ? 2 : 1)) {
    throw QasmError(line,
                    "the circuit grows beyond " + std::to_string(options_.maxLines) + " lines");
  }
  if (conditioned) {
    out_.lines.push_back("# " + condition_);
    ++out_.conditions;
  }
  out_.lines.push_back(std::move(text));
}

CircCircuit Importer::finish(const std::string& sourceName) {
  if (out_.qubits.empty()) throw QasmError(0, "no quantum register is declared");
  out_.comments.push_back("converted from " + sourceName + " by gridswap-qasm");
  out_.comments.insert(out_.comments.end(), cregComments_.begin(), cregComments_.end());
  if (droppedMeasure_)
    out_.comments.push_back("--ignore-measure: measure statements dropped unchecked");
  return std::move(out_);
}

}  // namespace

CircCircuit importQasm(const std::string& source, const std::string& sourceName,
                       const ImportOptions& options) {
  Importer importer(options);
  QasmParser parser(source);
  QasmStatement st;
  while (parser.next(st))
    importer.statement(st);
  return importer.finish(sourceName);
}
