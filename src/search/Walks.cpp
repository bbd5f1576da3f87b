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

std::vector<CircuitLine> repeatedWalk(const std::vector<CircuitLine>& walk, int times) {
  auto isBegin = [](const CircuitLine& line) { return line.kind == CircuitLine::kBegin; };
  auto isEnd = [](const CircuitLine& line) { return line.kind == CircuitLine::kEnd; };
  const auto begin = std::find_if(walk.begin(), walk.end(), isBegin);
  if (begin == walk.end()) return walk;
  const auto end = std::find_if(begin, walk.end(), isEnd);
  std::vector<CircuitLine> repeated(walk.begin(), begin + 1);
  for (int k = 0; k < times; ++k) {
    for (auto line = begin + 1; line != end; ++line) {
      if (line->kind == CircuitLine::kGate) repeated.push_back(*line);
    }
  }
  repeated.insert(repeated.end(), end, walk.end());
  return repeated;
}
