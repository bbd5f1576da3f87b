#include "search/Walks.h"

#include <algorithm>

std::vector<CircuitLine> forwardWalk(const std::vector<CircuitLine>& lines) {
  std::vector<CircuitLine> walk;
  for (const CircuitLine& line : lines) {
    if (line.kind == CircuitLine::kGate || line.kind == CircuitLine::kBegin ||
        line.kind == CircuitLine::kEnd) {
      walk.push_back(line);
    }
  }
  return walk;
}

std::vector<CircuitLine> reversedWalk(const std::vector<CircuitLine>& lines) {
  std::vector<CircuitLine> walk = forwardWalk(lines);
  auto begin = std::find_if(walk.begin(), walk.end(), [](const CircuitLine& line) {
    return line.kind == CircuitLine::kBegin;
  });
  if (begin == walk.end()) return walk;
  auto end = std::find_if(begin, walk.end(),
                          [](const CircuitLine& line) { return line.kind == CircuitLine::kEnd; });
  std::reverse(begin + 1, end);
  return walk;
}
