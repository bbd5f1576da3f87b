#include "check/TextLines.h"

#include <fstream>

namespace {

bool isWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

bool readLines(const std::string& path, std::vector<std::string>* lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  lines->clear();
  std::string line;
  while (std::getline(in, line))
    lines->push_back(line);
  // Reading a folder opens fine but fails at the first read with the bad bit set.
  return !in.bad();
}

std::vector<std::string> textLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> whitespaceTokens(const std::string& line) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isWhiteSpace(line[i]))
      ++i;
    std::size_t j = i;
    while (j < line.size() && !isWhiteSpace(line[j]))
      ++j;
    if (j > i) tokens.push_back(line.substr(i, j - i));
    i = j;
  }
  return tokens;
}

std::vector<std::string> spaceFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t space = line.find(' ', start);
    if (space == std::string::npos) break;
    fields.push_back(line.substr(start, space - start));
    start = space + 1;
  }
  fields.push_back(line.substr(start));
  return fields;
}

bool hasWhiteSpace(const std::string& text) {
  for (char c : text) {
    if (isWhiteSpace(c)) return true;
  }
  return false;
}
