// The reference version of the windowed router: it walks the stored circuit text with two line
// readers, looks every operand up by name, and uses a location map, the SWAP path search that
// enumerates every route, and a history walked back in full for every SWAP.
#include <fstream>
#include <sstream>

#include "reference/ReferenceVersions.h"
#include "routing/Lookahead.h"
#include "routing/MappedOutput.h"
#include "routing/SwapHistory.h"
#include "routing/SwapPath.h"

RouteCosts routeWindowedReference(const CircuitModel& model, TrialWorkspace& ws, int window,
                                  int outputMode, RouteOutput& out) {
  return routeWindowedReference(model, ws, window, Weighting::kEven, outputMode, out);
}

RouteCosts routeWindowedReference(const CircuitModel& model, TrialWorkspace& ws, int window,
                                  Weighting weighting, int outputMode, RouteOutput& out) {
  const Grid& grid = ws.grid;
  const Grid& workGrid = ws.workGrid;
  std::ostream* os = outputMode != 0 ? out.circuit : nullptr;
  const int width = grid.width;
  const int height = grid.height;
  if (outputMode > 0 && out.wantsLayout()) {
    writeLayout(out, layoutText(workGrid.allocationMap, workGrid.width, workGrid.height, model));
  }

  GateBuffer futureGates;
  AllocMatrix workAlloc = grid.allocationMap;
  std::vector<std::vector<std::string>> siteNames(height, std::vector<std::string>(width));
  QubitLocMap qubitLoc;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      siteNames[y][x] = model.nameOf(workAlloc[y][x]);
      if (workAlloc[y][x] >= 0) qubitLoc[workAlloc[y][x]] = {x, y};
    }
  }
  auto siteName = [&](Location l) -> const std::string& { return siteNames[l.y][l.x]; };

  SwapList swapHistory;
  int swapCount = 0;
  int firstResult = -1;
  bool headerWritten = false;
  SwapList swaps;
  SwapList bestSwaps;
  std::pair<Location, Location> ends;
  std::pair<Location, Location> bestEnds;

  // Two independent line readers over the stored text: the router's own walk, and the
  // look-ahead reader that only the gate buffer advances.
  std::istringstream mainReader(model.circuitText);
  std::istringstream lookaheadReader(model.circuitText);
  std::string text;
  int lineCount = 0;
  while (std::getline(mainReader, text)) {
    ++lineCount;
    std::istringstream words(text);
    std::string token;
    words >> token;
    if (token == ".qubit") {
      // One header block only: at the first .qubit line, or else just before .begin.
      if (os && !headerWritten) writeHeaderBlock(*os, model);
      headerWritten = true;
    } else if (token == "qubit") {
      // Declarations are not copied; the header block lists every qubit.
    } else if (token == ".begin") {
      if (os) {
        if (!headerWritten) writeHeaderBlock(*os, model);
        *os << text << '\n';
      }
      headerWritten = true;
      // The look-ahead reader starts just after .begin, whatever gates came before it.
      lookaheadReader.clear();
      lookaheadReader.seekg(0);
      std::string skipped;
      for (int k = 0; k < lineCount && std::getline(lookaheadReader, skipped); ++k) {
      }
      fillFutureGateBuffer(lookaheadReader, model.nameToIdx, futureGates, window);
    } else if (isTwoQubitGate(token)) {
      std::string first;
      std::string second;
      std::string trailing;
      words >> first >> second >> trailing;
      Location l1 = qubitLoc[model.indexOf(first)];
      Location l2 = qubitLoc[model.indexOf(second)];
      if (dist(l1, l2) != 1) {
        std::vector<Location> candidates = findMidPoint(l1, l2, grid.isTall);
        GateBuffer counted;
        for (std::size_t k = 0; k < futureGates.size(); ++k) {
          for (int t = gateWeight(weighting, k, futureGates.size()); t > 0; --t)
            counted.push_back(futureGates[k]);
        }
        double bestCost = 2147483647.0;
        for (std::size_t c = 0; c < candidates.size(); ++c) {
          const double cost = shortestPathLiteral(l1, l2, candidates[c], swaps, ends, workAlloc,
                                                  counted, grid.isTall);
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
      if (os) writeGateLine(*os, token, siteName(l1), siteName(l2), trailing);
      fillFutureGateBuffer(lookaheadReader, model.nameToIdx, futureGates, 1);
    } else if (token == ".end") {
      if (outputMode == 1 && out.wantsLayout()) {
        writeLayout(out, layoutText(workAlloc, width, height, model));
      }
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
    } else if (os) {
      *os << text << '\n';
    }
  }
  if (os) os->flush();
  if (firstResult < 0) firstResult = swapCount;
  return {firstResult, swapCount};
}
