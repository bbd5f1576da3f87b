#include "routing/Lookahead.h"

namespace {

// The drop phase: removes min(count, size) gates from the front.
void dropFront(GateBuffer& buffer, int count) {
  for (int dropped = 0; dropped < count && !buffer.empty(); ++dropped)
    buffer.pop_front();
}

}  // namespace

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
