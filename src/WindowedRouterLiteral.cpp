// The reference version of the windowed router: a location map, the SWAP path search that
// enumerates every route, and a history walked back in full for every SWAP.
#include <fstream>

#include "Files.h"
#include "InterActGraph.h"
#include "Lookahead.h"
#include "MappedOutput.h"
#include "SwapHistory.h"
#include "SwapPath.h"

namespace {

// Rewrites the layout file, noting a failure in `out`.
void writeLayout(RouteOutput& out, const std::string& text) {
  if (out.layoutPath.empty()) return;
  if (!writeWholeFile(out.layoutPath, text)) out.layoutFailed = true;
}

}  // namespace

RouteCosts InterActGraph::routeWindowedLiteral(int window, int outputMode, RouteOutput& out) {
  std::ostream* os = outputMode != 0 ? out.circuit : nullptr;
  const int width = grid.width;
  const int height = grid.height;
  if (outputMode > 0) {
    writeLayout(out,
                layoutText(workGrid.allocationMap, workGrid.width, workGrid.height, idxToName));
  }

  GateBuffer futureGates;
  AllocMatrix workAlloc = grid.allocationMap;
  std::vector<std::vector<std::string>> siteNames(height, std::vector<std::string>(width));
  QubitLocMap qubitLoc;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      siteNames[y][x] = idxToName[workAlloc[y][x]];
      if (workAlloc[y][x] >= 0) qubitLoc[workAlloc[y][x]] = {x, y};
    }
  }
  auto siteName = [&](Location l) -> const std::string& { return siteNames[l.y][l.x]; };

  SwapList swapHistory;
  int swapCount = 0;
  int firstResult = -1;
  bool headerWritten = false;
  std::size_t lookahead = 0;  // next line the look-ahead reader would read
  SwapList swaps;
  SwapList bestSwaps;
  std::pair<Location, Location> ends;
  std::pair<Location, Location> bestEnds;

  for (std::size_t i = 0; i < lines.size(); ++i) {
    const CircuitLine& line = lines[i];
    switch (line.kind) {
      case CircuitLine::kQubitCount:
        // One header block only: at the first .qubit line, or else just before .begin.
        if (os && !headerWritten) writeHeaderBlock(*os, nodeNum, idxToName);
        headerWritten = true;
        break;
      case CircuitLine::kQubitDecl:
        break;
      case CircuitLine::kBegin:
        if (os) {
          if (!headerWritten) writeHeaderBlock(*os, nodeNum, idxToName);
          os->write(circuitText.data() + line.start, line.length) << '\n';
        }
        headerWritten = true;
        // The look-ahead reader starts just after .begin, whatever gates came before it.
        lookahead = i + 1;
        fillFutureGateBuffer(lines, lookahead, futureGates, window);
        break;
      case CircuitLine::kGate: {
        Location l1 = qubitLoc[line.q1];
        Location l2 = qubitLoc[line.q2];
        if (dist(l1, l2) != 1) {
          std::vector<Location> candidates = findMidPoint(l1, l2, grid.isTall);
          double bestCost = 2147483647.0;
          for (std::size_t c = 0; c < candidates.size(); ++c) {
            const double cost = shortestPathLiteral(l1, l2, candidates[c], swaps, ends, workAlloc,
                                                    futureGates, grid.isTall);
            // The first candidate with the smallest cost wins; the first one by default.
            if (cost < bestCost || c == 0) {
              if (cost < bestCost) bestCost = cost;
              bestSwaps.swap(swaps);
              bestEnds = ends;
            }
          }
          for (const Swap& s : bestSwaps) {
            if (os) writeSwapLine(*os, siteName(s.first), siteName(s.second));
            ++swapCount;
            applySwap(s.first, s.second, workAlloc, qubitLoc);
          }
          std::vector<std::vector<bool>> touched(height, std::vector<bool>(width, false));
          for (const Swap& s : bestSwaps)
            recordSwap(s, swapHistory, touched);
          l1 = bestEnds.first;
          l2 = bestEnds.second;
        }
        if (os) writeGateLine(*os, line.mnemonic, siteName(l1), siteName(l2), line.trailing);
        fillFutureGateBuffer(lines, lookahead, futureGates, 1);
        break;
      }
      case CircuitLine::kEnd: {
        if (outputMode == 1) writeLayout(out, layoutText(workAlloc, width, height, idxToName));
        int restoring = swapCount;
        while (!swapHistory.empty()) {
          const Swap e = swapHistory.back();
          swapHistory.pop_back();
          if (os && outputMode == 2) writeSwapLine(*os, siteName(e.first), siteName(e.second));
          ++restoring;
          applySwap(e.first, e.second, workAlloc, qubitLoc);
        }
        if (os) *os << ".end\n";
        firstResult = swapCount;
        swapCount = restoring;
        break;
      }
      case CircuitLine::kOther:
        if (os) os->write(circuitText.data() + line.start, line.length) << '\n';
        break;
    }
  }
  if (os) os->flush();
  if (firstResult < 0) firstResult = swapCount;
  return {firstResult, swapCount};
}
