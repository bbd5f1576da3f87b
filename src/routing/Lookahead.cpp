#include "routing/Lookahead.h"

#include <sstream>

namespace {

// The drop phase: removes min(count, size) gates from the front.
void dropFront(GateBuffer& buffer, int count) {
  for (int dropped = 0; dropped < count && !buffer.empty(); ++dropped)
    buffer.pop_front();
}

}  // namespace

void fillFutureGateBuffer(std::istream& in, const std::map<std::string, int>& nameToIdx,
                          GateBuffer& buffer, int count) {
  auto index = [&](const std::string& name) {
    auto it = nameToIdx.find(name);
    return it == nameToIdx.end() ? 0 : it->second;
  };
  dropFront(buffer, count);
  int found = 0;
  std::string line;
  while (found < count) {
    // A failed read ends the fill: at the end of the text it sets eof anyway, and a stream
    // failing for another reason would otherwise be retried for ever.
    if (in.eof() || !std::getline(in, line)) return;
    std::istringstream words(line);
    std::string token;
    words >> token;
    if (!isTwoQubitGate(token)) continue;
    std::string first;
    std::string second;
    words >> first;
    const int q1 = index(first);
    words >> second;
    const int q2 = index(second);
    buffer.emplace_back(q1, q2);
    ++found;
  }
}

void fillFutureGateBuffer(LineView lines, std::size_t& next, GateBuffer& buffer, int count) {
  dropFront(buffer, count);
  int found = 0;
  while (found < count && next < lines.size()) {
    const CircuitLine& line = lines[next++];
    if (line.kind != CircuitLine::kGate) continue;
    buffer.emplace_back(line.q1, line.q2);
    ++found;
  }
}
