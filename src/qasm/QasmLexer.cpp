#include "qasm/QasmLexer.h"

#include <cctype>

#include "qasm/QasmError.h"

namespace {

bool isDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}
bool isIdentStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_';
}
bool isIdentChar(char c) {
  return isIdentStart(c) || isDigit(c);
}

// The length of a number starting at text[i]: digits, an optional fraction and an optional
// exponent. `real` tells whether it had a point or an exponent.
std::size_t numberLength(const std::string& text, std::size_t i, bool& real) {
  std::size_t j = i;
  real = false;
  while (j < text.size() && isDigit(text[j]))
    ++j;
  if (j < text.size() && text[j] == '.') {
    real = true;
    ++j;
    while (j < text.size() && isDigit(text[j]))
      ++j;
  }
  if (j < text.size() && (text[j] == 'e' || text[j] == 'E')) {
    std::size_t k = j + 1;
    if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
    if (k < text.size() && isDigit(text[k])) {
      real = true;
      j = k;
      while (j < text.size() && isDigit(text[j]))
        ++j;
    }
  }
  return j - i;
}

}  // namespace

std::vector<QasmToken> lexQasm(const std::string& text) {
  std::vector<QasmToken> tokens;
  int line = 1;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
      while (i < text.size() && text[i] != '\n')
        ++i;
    } else if (isIdentStart(c)) {
      std::size_t j = i;
      while (j < text.size() && isIdentChar(text[j]))
        ++j;
      tokens.push_back({QasmToken::kIdent, text.substr(i, j - i), line});
      i = j;
    } else if (isDigit(c) || (c == '.' && i + 1 < text.size() && isDigit(text[i + 1]))) {
      bool real = false;
      const std::size_t n = numberLength(text, i, real);
      tokens.push_back({real ? QasmToken::kReal : QasmToken::kInt, text.substr(i, n), line});
      i += n;
    } else if (c == '"') {
      const std::size_t close = text.find_first_of("\"\n", i + 1);
      if (close == std::string::npos || text[close] != '"') {
        throw QasmError(line, "unterminated string");
      }
      tokens.push_back({QasmToken::kString, text.substr(i + 1, close - i - 1), line});
      i = close + 1;
    } else if ((c == '-' && i + 1 < text.size() && text[i + 1] == '>') ||
               (c == '=' && i + 1 < text.size() && text[i + 1] == '=')) {
      tokens.push_back({QasmToken::kSymbol, text.substr(i, 2), line});
      i += 2;
    } else if (std::string(";,()[]{}+-*/^").find(c) != std::string::npos) {
      tokens.push_back({QasmToken::kSymbol, std::string(1, c), line});
      ++i;
    } else {
      throw QasmError(line, std::string("unexpected character '") + c + "'");
    }
  }
  tokens.push_back({QasmToken::kEnd, "", line});
  return tokens;
}
