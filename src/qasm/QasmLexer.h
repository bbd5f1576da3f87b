#pragma once

#include <string>
#include <vector>

// One token of an OpenQASM 2 source.
struct QasmToken {
  enum Kind { kIdent, kInt, kReal, kString, kSymbol, kEnd };
  Kind kind = kEnd;
  std::string text;  // the token as written; a string without its quotes
  int line = 0;      // 1-based line of its first character
};

// Splits a whole source into tokens, ending with one kEnd token. Comments run from "//" to the
// end of the line. Symbols are "->", "==" and the single characters ; , ( ) [ ] { } + - * / ^.
// Throws QasmError on a character that starts no token or on an unterminated string.
std::vector<QasmToken> lexQasm(const std::string& text);
