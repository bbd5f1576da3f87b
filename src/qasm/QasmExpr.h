#pragma once

#include <string>
#include <vector>

// The value of pi in expressions.
constexpr double kPi = 3.14159265358979323846;

// An arithmetic expression of a gate parameter: numbers (pi already replaced by its value),
// references to the enclosing gate's parameters, + - * / ^, unary minus and the functions
// sin, cos, tan, exp, ln and sqrt.
struct QasmExpr {
  enum Kind {
    kNumber,
    kParam,
    kNeg,
    kAdd,
    kSub,
    kMul,
    kDiv,
    kPow,
    kSin,
    kCos,
    kTan,
    kExp,
    kLn,
    kSqrt
  };
  Kind kind = kNumber;
  double value = 0;            // kNumber
  int param = -1;              // kParam: position in the gate's parameter list
  std::vector<QasmExpr> args;  // operands: one for kNeg and the functions, two for the rest
};

// The function kind named `name`, or kNumber when there is no such function.
QasmExpr::Kind functionKind(const std::string& name);

// Evaluates `e` with `params` as the values of the gate's parameters. May give an infinite or
// NaN value (division by zero, ln of a negative number); callers check.
double evalExpr(const QasmExpr& e, const std::vector<double>& params);

// The shortest decimal text that reads back as exactly `v`: fixed notation for exponents from -5
// to 15 ("0", "-0.5", "1.5707963267948966"), else scientific ("9.587379924285257e-05").
std::string formatNumber(double v);

// True when `text` is a plain decimal number: optional sign, digits with an optional fraction,
// optional exponent ("0.5", "-3", "1e-05", ".5"). Rejects "inf", "nan", hexadecimal and
// anything with extra characters.
bool isDecimalNumber(const std::string& text);
