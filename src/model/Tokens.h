#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Splits a line into its tokens at white space (space, tab, CR, LF, VT, FF), as a stream
// extraction would; `tokens` is cleared first and receives views into `line`.
inline void splitTokens(const std::string& line, std::vector<std::string_view>& tokens) {
  tokens.clear();
  std::size_t i = 0;
  const std::size_t n = line.size();
  auto isSpace = [](char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
  };
  while (i < n) {
    while (i < n && isSpace(line[i]))
      ++i;
    if (i == n) break;
    std::size_t j = i;
    while (j < n && !isSpace(line[j]))
      ++j;
    tokens.emplace_back(line.data() + i, j - i);
    i = j;
  }
}
