#include "check/TwoQubitDepth.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "model/CircuitModel.h"

int twoQubitDepth(const std::string& mappedText) {
  std::map<std::string, int> layer;  // per site name: the layers its gates took so far
  int depth = 0;
  bool inside = false;
  std::istringstream text(mappedText);
  for (std::string line; std::getline(text, line);) {
    for (char& c : line) {
      if (c == '\t' || c == '\r') c = ' ';
    }
    std::istringstream words(line);
    std::string first, a, b;
    words >> first;
    if (first == ".begin") {
      inside = true;
    } else if (first == ".end") {
      inside = false;
    } else if (inside && isTwoQubitGate(first) && (words >> a >> b)) {
      const int at = std::max(layer[a], layer[b]) + 1;
      layer[a] = layer[b] = at;
      depth = std::max(depth, at);
    }
  }
  return depth;
}
