#include "search/ReversedMapping.h"

#include "routing/MappedOutput.h"
#include "routing/SwapHistory.h"

bool reversibleCircuit(const std::vector<CircuitLine>& lines) {
  int begins = 0;
  int ends = 0;
  for (const CircuitLine& line : lines) {
    if (line.kind == CircuitLine::kBegin) ++begins;
    if (line.kind == CircuitLine::kEnd) ++ends;
    if (line.kind == CircuitLine::kGate && (begins != 1 || ends != 0)) return false;
  }
  return begins == 1 && ends == 1;
}

std::vector<SwapList> forwardSwaps(const std::vector<SwapList>& reversedGateSwaps) {
  const std::size_t m = reversedGateSwaps.size();
  std::vector<SwapList> swaps(m);
  // Gate i of the circuit runs where the reversed routing ran it; the SWAPs that routing made
  // before gate i - 1's turn are undone between the two.
  for (std::size_t i = 1; i < m; ++i)
    swaps[i].assign(reversedGateSwaps[m - i].rbegin(), reversedGateSwaps[m - i].rend());
  return swaps;
}

RouteCosts swapCosts(const std::vector<SwapList>& swaps, int width, int height) {
  SwapHistory history(width, height);
  int count = 0;
  for (const SwapList& gate : swaps) {
    count += static_cast<int>(gate.size());
    if (!gate.empty()) history.recordGate(gate);
  }
  return {count, count + static_cast<int>(history.size())};
}

RouteCosts writeWithSwaps(InterActGraph& graph, const AllocMatrix& start,
                          const std::vector<SwapList>& swaps, std::ostream& circuit,
                          std::string& layout) {
  const int width = graph.grid.width;
  const int height = graph.grid.height;
  AllocMatrix alloc = start;
  std::vector<std::vector<std::string>> siteNames(height, std::vector<std::string>(width));
  std::vector<Location> site(graph.nodeNum);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      siteNames[y][x] = graph.nameOf(alloc[y][x]);
      if (alloc[y][x] >= 0 && alloc[y][x] < graph.nodeNum) site[alloc[y][x]] = {x, y};
    }
  }
  auto name = [&](Location l) -> const std::string& { return siteNames[l.y][l.x]; };
  SwapHistory history(width, height);
  int count = 0;
  int restoring = 0;
  bool headerWritten = false;
  std::size_t gate = 0;
  for (const CircuitLine& line : graph.lines) {
    switch (line.kind) {
      case CircuitLine::kQubitCount:
        if (!headerWritten) writeHeaderBlock(circuit, graph);
        headerWritten = true;
        break;
      case CircuitLine::kQubitDecl:
        break;
      case CircuitLine::kBegin:
        if (!headerWritten) writeHeaderBlock(circuit, graph);
        headerWritten = true;
        circuit.write(graph.circuitText.data() + line.start, line.length) << '\n';
        break;
      case CircuitLine::kGate: {
        const SwapList& mine = gate < swaps.size() ? swaps[gate] : SwapList();
        ++gate;
        for (const Swap& s : mine) {
          writeSwapLine(circuit, name(s.first), name(s.second));
          int& qa = alloc[s.first.y][s.first.x];
          int& qb = alloc[s.second.y][s.second.x];
          std::swap(qa, qb);
          if (qa >= 0) site[qa] = s.first;
          if (qb >= 0) site[qb] = s.second;
          ++count;
        }
        if (!mine.empty()) history.recordGate(mine);
        writeGateLine(circuit, line.mnemonic(graph.circuitText), name(site[line.q1]),
                      name(site[line.q2]), line.trailing(graph.circuitText));
        break;
      }
      case CircuitLine::kEnd:
        layout = layoutText(alloc, width, height, graph);
        restoring = count + static_cast<int>(history.size());
        circuit << ".end\n";
        break;
      case CircuitLine::kOther:
        circuit.write(graph.circuitText.data() + line.start, line.length) << '\n';
        break;
    }
  }
  circuit.flush();
  return {count, restoring};
}
