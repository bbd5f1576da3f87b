#include "qasm/QasmParser.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "qasm/QasmError.h"

namespace {

// How a token is quoted in a message.
std::string describe(const QasmToken& t) {
  if (t.kind == QasmToken::kEnd) return "end of file";
  if (t.kind == QasmToken::kString) return "\"" + t.text + "\"";
  return "'" + t.text + "'";
}

QasmExpr node(QasmExpr::Kind kind, std::vector<QasmExpr> args) {
  QasmExpr e;
  e.kind = kind;
  e.args = std::move(args);
  return e;
}

// Position of `name` in `names`, or -1.
int indexOf(const std::vector<std::string>& names, const std::string& name) {
  const auto it = std::find(names.begin(), names.end(), name);
  return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

}  // namespace

QasmParser::QasmParser(const std::string& text) : tokens_(lexQasm(text)) {}

bool QasmParser::at(const std::string& symbol) const {
  return peek().kind == QasmToken::kSymbol && peek().text == symbol;
}

const QasmToken& QasmParser::take() {
  const QasmToken& t = tokens_[pos_];
  if (t.kind != QasmToken::kEnd) ++pos_;
  return t;
}

void QasmParser::fail(const std::string& message) const {
  throw QasmError(peek().line, message);
}

void QasmParser::expect(const std::string& symbol) {
  if (!at(symbol)) fail("expected '" + symbol + "', found " + describe(peek()));
  take();
}

std::string QasmParser::identifier(const std::string& what) {
  if (peek().kind != QasmToken::kIdent) fail("expected " + what + ", found " + describe(peek()));
  return take().text;
}

int QasmParser::integer(const std::string& what) {
  if (peek().kind != QasmToken::kInt) fail("expected " + what + ", found " + describe(peek()));
  const std::string& text = peek().text;
  if (text.size() > 9 && std::strtoll(text.c_str(), nullptr, 10) > INT_MAX) {
    fail("number " + text + " is too large");
  }
  return static_cast<int>(std::strtol(take().text.c_str(), nullptr, 10));
}

std::string QasmParser::wholeNumber(const std::string& what) {
  if (peek().kind != QasmToken::kInt) fail("expected " + what + ", found " + describe(peek()));
  const std::string& text = take().text;
  const std::size_t first = text.find_first_not_of('0');
  return first == std::string::npos ? "0" : text.substr(first);
}

bool QasmParser::next(QasmStatement& st) {
  st = QasmStatement();
  const QasmToken& first = peek();
  if (first.kind == QasmToken::kEnd) return false;
  st.line = first.line;
  if (first.kind != QasmToken::kIdent) fail("expected a statement, found " + describe(first));
  const std::string word = take().text;
  if (word == "OPENQASM") {
    st.kind = QasmStatement::kVersion;
    const QasmToken& v = peek();
    if (v.kind != QasmToken::kReal && v.kind != QasmToken::kInt) {
      fail("expected a version number, found " + describe(v));
    }
    if (std::strtod(v.text.c_str(), nullptr) != 2.0) {
      fail("OpenQASM " + v.text + " is not supported; only 2.0 is read");
    }
    take();
  } else if (word == "include") {
    st.kind = QasmStatement::kInclude;
    if (peek().kind != QasmToken::kString) fail("expected a file name, found " + describe(peek()));
    st.name = take().text;
  } else if (word == "qreg" || word == "creg") {
    st.kind = word == "qreg" ? QasmStatement::kQreg : QasmStatement::kCreg;
    st.name = identifier("a register name");
    expect("[");
    st.size = integer("a register size");
    if (st.size == 0) fail("register " + st.name + " has size 0");
    expect("]");
  } else if (word == "gate") {
    st.kind = QasmStatement::kGateDef;
    gateHeader(st.def);
    st.def.line = st.line;
    gateBody(st.def);
    return true;
  } else if (word == "opaque") {
    st.kind = QasmStatement::kOpaque;
    gateHeader(st.def);
    st.def.line = st.line;
  } else if (word == "barrier") {
    st.kind = QasmStatement::kBarrier;
    st.args = operandList();
  } else if (word == "if") {
    expect("(");
    st.conditioned = true;
    st.condReg = identifier("a classical register name");
    expect("==");
    st.condValue = wholeNumber("a number");
    expect(")");
    const std::string controlled = identifier("a gate, measure or reset");
    if (controlled == "OPENQASM" || controlled == "include" || controlled == "qreg" ||
        controlled == "creg" || controlled == "gate" || controlled == "opaque" ||
        controlled == "barrier" || controlled == "if") {
      throw QasmError(st.line, controlled + " cannot be classically controlled");
    }
    quantumOperation(controlled, st);
  } else {
    quantumOperation(word, st);
  }
  expect(";");
  return true;
}

void QasmParser::quantumOperation(const std::string& word, QasmStatement& st) {
  if (word == "measure") {
    st.kind = QasmStatement::kMeasure;
    st.args.push_back(operand());
    expect("->");
    st.args.push_back(operand());
  } else if (word == "reset") {
    st.kind = QasmStatement::kReset;
    st.args.push_back(operand());
  } else {
    st.kind = QasmStatement::kGate;
    st.name = word;
    if (at("(")) st.params = paramList({});
    st.args = operandList();
  }
}

QasmOperand QasmParser::operand() {
  QasmOperand op;
  op.reg = identifier("a register name");
  if (at("[")) {
    take();
    op.index = integer("an index");
    expect("]");
  }
  return op;
}

std::vector<QasmOperand> QasmParser::operandList() {
  std::vector<QasmOperand> ops{operand()};
  while (at(",")) {
    take();
    ops.push_back(operand());
  }
  return ops;
}

std::vector<QasmExpr> QasmParser::paramList(const std::vector<std::string>& names) {
  std::vector<QasmExpr> params;
  expect("(");
  if (!at(")")) {
    params.push_back(expression(names));
    while (at(",")) {
      take();
      params.push_back(expression(names));
    }
  }
  expect(")");
  return params;
}

QasmExpr QasmParser::expression(const std::vector<std::string>& names) {
  QasmExpr e = term(names);
  while (at("+") || at("-")) {
    const QasmExpr::Kind kind = take().text == "+" ? QasmExpr::kAdd : QasmExpr::kSub;
    e = node(kind, {std::move(e), term(names)});
  }
  return e;
}

QasmExpr QasmParser::term(const std::vector<std::string>& names) {
  QasmExpr e = unary(names);
  while (at("*") || at("/")) {
    const QasmExpr::Kind kind = take().text == "*" ? QasmExpr::kMul : QasmExpr::kDiv;
    e = node(kind, {std::move(e), unary(names)});
  }
  return e;
}

QasmExpr QasmParser::unary(const std::vector<std::string>& names) {
  if (at("-")) {
    take();
    return node(QasmExpr::kNeg, {unary(names)});
  }
  return power(names);
}

// Exponentiation binds tighter than unary minus and groups to the right: -2^2 is -4.
QasmExpr QasmParser::power(const std::vector<std::string>& names) {
  QasmExpr base = primary(names);
  if (!at("^")) return base;
  take();
  return node(QasmExpr::kPow, {std::move(base), unary(names)});
}

QasmExpr QasmParser::primary(const std::vector<std::string>& names) {
  const QasmToken& t = peek();
  if (t.kind == QasmToken::kInt || t.kind == QasmToken::kReal) {
    QasmExpr e;
    e.value = std::strtod(take().text.c_str(), nullptr);
    return e;
  }
  if (at("(")) {
    take();
    QasmExpr e = expression(names);
    expect(")");
    return e;
  }
  if (t.kind != QasmToken::kIdent) fail("expected an expression, found " + describe(t));
  const std::string name = take().text;
  if (at("(")) {
    const QasmExpr::Kind kind = functionKind(name);
    if (kind == QasmExpr::kNumber) fail("unknown function " + name);
    take();
    QasmExpr arg = expression(names);
    expect(")");
    return node(kind, {std::move(arg)});
  }
  QasmExpr e;
  if (name == "pi") {
    e.value = kPi;
    return e;
  }
  e.param = indexOf(names, name);
  if (e.param < 0) throw QasmError(t.line, "unknown parameter " + name);
  e.kind = QasmExpr::kParam;
  return e;
}

void QasmParser::gateHeader(QasmGateDef& def) {
  def.name = identifier("a gate name");
  if (def.name == "U" || def.name == "CX") fail("gate " + def.name + " is built in");
  auto addName = [&](std::vector<std::string>& list, const std::string& what) {
    const std::string name = identifier(what);
    if (indexOf(def.params, name) >= 0 || indexOf(def.qubits, name) >= 0) {
      fail("gate " + def.name + " names " + name + " twice");
    }
    list.push_back(name);
  };
  if (at("(")) {
    take();
    if (!at(")")) {
      addName(def.params, "a parameter name");
      while (at(",")) {
        take();
        addName(def.params, "a parameter name");
      }
    }
    expect(")");
  }
  addName(def.qubits, "a qubit name");
  while (at(",")) {
    take();
    addName(def.qubits, "a qubit name");
  }
}

void QasmParser::gateBody(QasmGateDef& def) {
  expect("{");
  while (!at("}")) {
    QasmBodyOp op;
    op.line = peek().line;
    op.name = identifier("a gate name");
    if (op.name == "measure" || op.name == "reset" || op.name == "if" || op.name == "gate" ||
        op.name == "opaque" || op.name == "qreg" || op.name == "creg") {
      throw QasmError(op.line, op.name + " is not allowed in a gate body");
    }
    if (op.name != "barrier" && at("(")) op.params = paramList(def.params);
    while (true) {
      const std::string qubit = identifier("a qubit name");
      const int position = indexOf(def.qubits, qubit);
      if (position < 0) {
        throw QasmError(tokens_[pos_ - 1].line, "unknown qubit " + qubit + " in gate " + def.name);
      }
      if (at("[")) fail("qubit " + qubit + " of gate " + def.name + " cannot be indexed");
      op.qubits.push_back(position);
      if (!at(",")) break;
      take();
    }
    expect(";");
    def.body.push_back(std::move(op));
  }
  take();
}
