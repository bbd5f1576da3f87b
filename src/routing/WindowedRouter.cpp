// The windowed router: routes every distant gate through the cheapest meeting site under the
// look-ahead window and writes the mapped circuit and the layout file.
#include <algorithm>
#include <fstream>

#include "model/InterActGraph.h"
#include "reference/LiteralMode.h"
#include "routing/Lookahead.h"
#include "routing/MappedOutput.h"
#include "routing/MeetingSearch.h"
#include "routing/SwapHistory.h"
#include "routing/SwapPath.h"

namespace {

// True when every site holds -1 or a qubit index below `limit` found on no other site, as
// placements make.
bool distinctQubits(const AllocMatrix& alloc, std::size_t limit) {
  std::vector<char> seen;
  for (const auto& row : alloc) {
    for (int q : row) {
      if (q == -1) continue;
      if (q < 0 || static_cast<std::size_t>(q) >= limit) return false;
      if (static_cast<std::size_t>(q) >= seen.size()) seen.resize(q + 1, 0);
      if (seen[q]) return false;
      seen[q] = 1;
    }
  }
  return true;
}

}  // namespace

RouteCosts InterActGraph::insertSwap2(std::string outFile, int window, int outputMode) {
  std::ofstream circuit(outFile, std::ios::out | std::ios::trunc | std::ios::binary);
  RouteOutput out;
  out.circuit = &circuit;
  if (outputMode > 0) out.layoutPath = outFile + ".layout";
  return routeWindowed(window, outputMode, out);
}

RouteCosts InterActGraph::routeWindowed(int window, int outputMode, RouteOutput& out) {
  // The fast router keeps one site per qubit in an array, which needs a qubit on one site only
  // and indices of a sensible size.
  const std::size_t sites = static_cast<std::size_t>(grid.width) * grid.height;
  if (literalMode() || !distinctQubits(grid.allocationMap, std::max(nodeNum, 0) + sites)) {
    return routeWindowedLiteral(window, outputMode, out);
  }
  return routeWalk(grid.allocationMap, lines, window, outputMode, out, nullptr);
}

RouteCosts InterActGraph::routeWalk(const AllocMatrix& start, const std::vector<CircuitLine>& walk,
                                    int window, int outputMode, RouteOutput& out,
                                    AllocMatrix* finalPlacement) {
  std::ostream* os = outputMode != 0 ? out.circuit : nullptr;
  const int width = grid.width;
  const int height = grid.height;
  if (outputMode > 0 && out.wantsLayout()) {
    writeLayout(out,
                layoutText(workGrid.allocationMap, workGrid.width, workGrid.height, idxToName));
  }

  GateBuffer futureGates;
  AllocMatrix workAlloc = start;
  std::vector<std::vector<std::string>> siteNames(height, std::vector<std::string>(width));
  // The site of every qubit; a qubit on no site counts as standing on (0, 0).
  std::size_t qubitCount = nodeNum > 0 ? nodeNum : 0;
  for (const auto& row : workAlloc) {
    for (int q : row)
      qubitCount = std::max(qubitCount, static_cast<std::size_t>(q + 1));
  }
  std::vector<Location> site(qubitCount, Location{0, 0});
  std::vector<char> onGrid(qubitCount, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int q = workAlloc[y][x];
      if (os) siteNames[y][x] = idxToName[q];
      if (q >= 0) {
        site[q] = {x, y};
        onGrid[q] = 1;
      }
    }
  }
  auto siteName = [&](Location l) -> const std::string& { return siteNames[l.y][l.x]; };
  // One SWAP applied to the matrix and the site array together.
  auto apply = [&](const Swap& s) {
    int& qa = workAlloc[s.first.y][s.first.x];
    int& qb = workAlloc[s.second.y][s.second.x];
    std::swap(qa, qb);
    if (qb != -1) site[qb] = s.second;
    if (qa != -1) site[qa] = s.first;
  };

  SwapHistory history(width, height);
  LookaheadSet look;
  MeetingSearch search;
  int swapCount = 0;
  int firstResult = -1;
  bool headerWritten = false;
  std::size_t lookahead = 0;  // next line the look-ahead reader would read
  SwapList swaps;
  std::pair<Location, Location> ends;

  for (std::size_t i = 0; i < walk.size(); ++i) {
    const CircuitLine& line = walk[i];
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
        fillFutureGateBuffer(walk, lookahead, futureGates, window);
        break;
      case CircuitLine::kGate: {
        Location l1 = site[line.q1];
        Location l2 = site[line.q2];
        if (dist(l1, l2) != 1) {
          look.assign(futureGates);
          for (std::size_t k = 0; k < look.qubits.size(); ++k) {
            const int q = look.qubits[k];
            if (q >= 0 && static_cast<std::size_t>(q) < qubitCount && onGrid[q]) {
              look.placed[k] = 1;
              look.sites[k] = site[q];
            }
          }
          search.route(l1, l2, grid.isTall, look, swaps, ends);
          for (const Swap& s : swaps) {
            if (os) writeSwapLine(*os, siteName(s.first), siteName(s.second));
            ++swapCount;
            apply(s);
          }
          history.recordGate(swaps);
          l1 = ends.first;
          l2 = ends.second;
          if (out.gateSwaps) out.gateSwaps->push_back(swaps);
        } else if (out.gateSwaps) {
          out.gateSwaps->emplace_back();
        }
        if (os) {
          writeGateLine(*os, line.mnemonic(circuitText), siteName(l1), siteName(l2),
                        line.trailing(circuitText));
        }
        fillFutureGateBuffer(walk, lookahead, futureGates, 1);
        break;
      }
      case CircuitLine::kEnd: {
        if (finalPlacement && firstResult < 0) *finalPlacement = workAlloc;
        if (outputMode == 1 && out.wantsLayout()) {
          writeLayout(out, layoutText(workAlloc, width, height, idxToName));
        }
        int restoring = swapCount;
        while (!history.empty()) {
          const Swap e = history.popLatest();
          if (os && outputMode == 2) writeSwapLine(*os, siteName(e.first), siteName(e.second));
          ++restoring;
          apply(e);
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
  if (finalPlacement && firstResult < 0) *finalPlacement = workAlloc;
  if (firstResult < 0) firstResult = swapCount;
  return {firstResult, swapCount};
}
