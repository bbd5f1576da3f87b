#include "qasm/ClassicalLines.h"

#include <cstdlib>

#include "check/TextLines.h"

namespace {

// A whole number without sign or leading zeros, small enough for a register size or a value.
bool isCount(const std::string& text) {
  if (text.empty() || text.size() > 18 || (text[0] == '0' && text.size() > 1)) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Splits "NAME[NUMBER]" into its two parts; false when the text has another form.
bool splitIndexed(const std::string& text, std::string* name, long long* number) {
  const std::size_t open = text.find('[');
  if (open == std::string::npos || open == 0 || text.back() != ']') return false;
  const std::string digits = text.substr(open + 1, text.size() - open - 2);
  if (!isCount(digits)) return false;
  *name = text.substr(0, open);
  *number = std::atoll(digits.c_str());
  return name->find_first_of("[]=") == std::string::npos;
}

// A whole number of any width without sign or leading zeros: a condition's value.
bool isDigits(const std::string& text) {
  if (text.empty() || (text[0] == '0' && text.size() > 1)) return false;
  return text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

std::string cregComment(const std::string& reg, int size) {
  return "creg " + reg + "[" + std::to_string(size) + "]";
}

std::string measureComment(const std::string& qubit, const std::string& reg, int bit) {
  return "measure " + qubit + " -> " + reg + "[" + std::to_string(bit) + "]";
}

std::string resetComment(const std::string& qubit) {
  return "reset " + qubit;
}

std::string barrierComment(const std::vector<std::string>& qubits) {
  std::string text = "barrier";
  for (const std::string& q : qubits)
    text += " " + q;
  return text;
}

std::string conditionComment(const std::string& reg, const std::string& value) {
  return "if " + reg + "==" + value;
}

ClassicalLine parseClassicalLine(const std::string& line, std::string* error) {
  ClassicalLine parsed;
  error->clear();
  const std::vector<std::string> t = whitespaceTokens(line);
  if (t.size() < 2 || t[0] != "#") return parsed;
  const std::string& word = t[1];
  if (word == "creg") {
    if (t.size() != 3 || !splitIndexed(t[2], &parsed.reg, &parsed.number) || parsed.number == 0) {
      *error = "expected \"# creg NAME[SIZE]\"";
    }
    parsed.kind = ClassicalLine::kCreg;
  } else if (word == "measure") {
    if (t.size() != 5 || t[3] != "->" || !splitIndexed(t[4], &parsed.reg, &parsed.number)) {
      *error = "expected \"# measure QUBIT -> NAME[BIT]\"";
    }
    parsed.kind = ClassicalLine::kMeasure;
    if (t.size() > 2) parsed.qubits.push_back(t[2]);
  } else if (word == "reset") {
    if (t.size() != 3) *error = "expected \"# reset QUBIT\"";
    parsed.kind = ClassicalLine::kReset;
    parsed.qubits.assign(t.begin() + 2, t.end());
  } else if (word == "barrier") {
    if (t.size() < 3) *error = "expected \"# barrier QUBIT...\"";
    parsed.kind = ClassicalLine::kBarrier;
    parsed.qubits.assign(t.begin() + 2, t.end());
  } else if (word == "if") {
    const std::size_t eq = t.size() == 3 ? t[2].find("==") : std::string::npos;
    if (eq == std::string::npos || eq == 0 || !isDigits(t[2].substr(eq + 2))) {
      *error = "expected \"# if NAME==VALUE\"";
    } else {
      parsed.reg = t[2].substr(0, eq);
      parsed.value = t[2].substr(eq + 2);
    }
    parsed.kind = ClassicalLine::kIf;
  }
  return parsed;
}
