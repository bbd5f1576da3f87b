#pragma once

#include <string>
#include <vector>

#include "qasm/QasmExpr.h"
#include "qasm/QasmLexer.h"

// A quantum or classical operand: a whole register (index -1) or one of its elements.
struct QasmOperand {
  std::string reg;
  int index = -1;
};

// One statement of a gate body: a gate applied to some of the gate's own qubits, or a barrier
// (name "barrier", no parameters).
struct QasmBodyOp {
  std::string name;
  std::vector<QasmExpr> params;
  std::vector<int> qubits;  // positions in the gate's qubit list
  int line = 0;
};

// A gate definition ("gate") or declaration ("opaque", with an empty body).
struct QasmGateDef {
  std::string name;
  std::vector<std::string> params;
  std::vector<std::string> qubits;
  std::vector<QasmBodyOp> body;
  int line = 0;
};

// One top-level statement.
struct QasmStatement {
  enum Kind {
    kVersion,
    kInclude,
    kQreg,
    kCreg,
    kGateDef,
    kOpaque,
    kGate,
    kMeasure,
    kReset,
    kBarrier
  };
  Kind kind = kVersion;
  int line = 0;
  std::string name;               // include: the file; qreg, creg: the register; gate: the gate
  int size = 0;                   // qreg, creg
  std::vector<QasmExpr> params;   // gate
  std::vector<QasmOperand> args;  // gate, reset, barrier; measure: the qubit, then the bit
  QasmGateDef def;                // gate definitions and opaque declarations
  // A classically controlled gate, measure or reset: "if (condReg == condValue) ...".
  bool conditioned = false;
  std::string condReg;
  std::string condValue;  // decimal digits without leading zeros, of any width
};

// Reads OpenQASM 2 statements one at a time. Syntax errors throw QasmError with their line.
// A classically controlled statement is returned as the gate, measure or reset it controls,
// with its condition.
class QasmParser {
 public:
  explicit QasmParser(const std::string& text);

  // Reads the next statement into `st`; false at the end of the source.
  bool next(QasmStatement& st);

 private:
  const QasmToken& peek() const { return tokens_[pos_]; }
  bool at(const std::string& symbol) const;
  const QasmToken& take();
  void expect(const std::string& symbol);
  std::string identifier(const std::string& what);
  int integer(const std::string& what);
  // A whole number of any size, as decimal digits without leading zeros.
  std::string wholeNumber(const std::string& what);
  QasmOperand operand();
  std::vector<QasmOperand> operandList();
  std::vector<QasmExpr> paramList(const std::vector<std::string>& names);
  QasmExpr expression(const std::vector<std::string>& names);
  QasmExpr term(const std::vector<std::string>& names);
  QasmExpr unary(const std::vector<std::string>& names);
  QasmExpr power(const std::vector<std::string>& names);
  QasmExpr primary(const std::vector<std::string>& names);
  void gateHeader(QasmGateDef& def);
  void gateBody(QasmGateDef& def);
  // Reads the rest of a gate, measure or reset statement that began with `word`.
  void quantumOperation(const std::string& word, QasmStatement& st);
  [[noreturn]] void fail(const std::string& message) const;

  std::vector<QasmToken> tokens_;
  std::size_t pos_ = 0;
};
