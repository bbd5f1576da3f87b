// The reference look-ahead reader: reads the stored text line by line and looks operands up by
// name.
#include <sstream>

#include "reference/ReferenceVersions.h"

void fillFutureGateBuffer(std::istream& in, const std::map<std::string, int>& nameToIdx,
                          GateBuffer& buffer, int count) {
  auto index = [&](const std::string& name) {
    auto it = nameToIdx.find(name);
    return it == nameToIdx.end() ? 0 : it->second;
  };
  for (int dropped = 0; dropped < count && !buffer.empty(); ++dropped)
    buffer.pop_front();
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
