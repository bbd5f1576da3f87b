#include "qasm/QasmExpr.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

QasmExpr::Kind functionKind(const std::string& name) {
  if (name == "sin") return QasmExpr::kSin;
  if (name == "cos") return QasmExpr::kCos;
  if (name == "tan") return QasmExpr::kTan;
  if (name == "exp") return QasmExpr::kExp;
  if (name == "ln") return QasmExpr::kLn;
  if (name == "sqrt") return QasmExpr::kSqrt;
  return QasmExpr::kNumber;
}

double evalExpr(const QasmExpr& e, const std::vector<double>& params) {
  auto arg = [&](std::size_t i) { return evalExpr(e.args[i], params); };
  switch (e.kind) {
    case QasmExpr::kNumber:
      return e.value;
    case QasmExpr::kParam:
      return params[static_cast<std::size_t>(e.param)];
    case QasmExpr::kNeg:
      return -arg(0);
    case QasmExpr::kAdd:
      return arg(0) + arg(1);
    case QasmExpr::kSub:
      return arg(0) - arg(1);
    case QasmExpr::kMul:
      return arg(0) * arg(1);
    case QasmExpr::kDiv:
      return arg(0) / arg(1);
    case QasmExpr::kPow:
      return std::pow(arg(0), arg(1));
    case QasmExpr::kSin:
      return std::sin(arg(0));
    case QasmExpr::kCos:
      return std::cos(arg(0));
    case QasmExpr::kTan:
      return std::tan(arg(0));
    case QasmExpr::kExp:
      return std::exp(arg(0));
    case QasmExpr::kLn:
      return std::log(arg(0));
    case QasmExpr::kSqrt:
      return std::sqrt(arg(0));
  }
  return 0;
}

std::string formatNumber(double v) {
  if (v == 0) return "0";  // also for -0
  char buffer[64];
  const auto sci = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::scientific);
  std::string text(buffer, sci.ptr);
  const int exponent = std::atoi(text.c_str() + text.find('e') + 1);
  if (exponent < -4 || exponent >= 16) return text;
  const auto fixed = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed);
  return std::string(buffer, fixed.ptr);
}

bool isDecimalNumber(const std::string& text) {
  std::size_t i = 0;
  auto digits = [&] {
    const std::size_t start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
      ++i;
    return i - start;
  };
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t mantissa = digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == text.size();
}
