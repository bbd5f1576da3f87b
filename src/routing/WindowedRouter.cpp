// The windowed router: routes every distant gate through the cheapest meeting site under the
// look-ahead window and writes the mapped circuit and the layout file.
#include <algorithm>
#include <string>

#include "routing/Lookahead.h"
#include "routing/MappedOutput.h"
#include "routing/MeetingSearch.h"
#include "routing/Routers.h"
#include "routing/SwapHistory.h"
#include "routing/SwapPath.h"

bool distinctQubits(const AllocMatrix& alloc, std::size_t limit) {
  std::vector<char> seen;
  for (const auto& row : alloc) {
    for (int q : row) {
      if (q == -1 || q == kNoSite) continue;
      if (q < 0 || static_cast<std::size_t>(q) >= limit) return false;
      if (static_cast<std::size_t>(q) >= seen.size()) seen.resize(q + 1, 0);
      if (seen[q]) return false;
      seen[q] = 1;
    }
  }
  return true;
}

namespace {

// The router keeps one site per qubit in an array, which needs a qubit on one site only and
// indices of a sensible size; anything else is the caller's mistake.
void requireDistinctQubits(const CircuitModel& model, const AllocMatrix& alloc, int width,
                           int height) {
  const std::size_t sites = static_cast<std::size_t>(width) * height;
  if (!distinctQubits(alloc, static_cast<std::size_t>(std::max(model.nodeNum, 0)) + sites)) {
    throw std::invalid_argument(
        "windowed routing needs a placement with every qubit on one site at most");
  }
}

// The router's walk over the gates: the placement in s.workAlloc with every qubit's site, and
// the choice and application of the SWAPs for one gate.
class GateWalk {
 public:
  // Starts from `start`; a qubit on no site counts as standing on (0, 0). The look-ahead gates
  // count by `weighting`.
  GateWalk(RouterScratch& s, const AllocMatrix& start, int nodeNum, bool isTall,
           Weighting weighting)
      : s_(s), isTall_(isTall), weighting_(weighting) {
    s_.workAlloc = start;
    qubitCount_ = nodeNum > 0 ? nodeNum : 0;
    for (const auto& row : s_.workAlloc) {
      for (int q : row)
        if (q >= 0) qubitCount_ = std::max(qubitCount_, static_cast<std::size_t>(q + 1));
    }
    s_.site.assign(qubitCount_, Location{0, 0});
    s_.onGrid.assign(qubitCount_, 0);
    for (int y = 0; y < static_cast<int>(s_.workAlloc.size()); ++y) {
      for (int x = 0; x < static_cast<int>(s_.workAlloc[y].size()); ++x) {
        const int q = s_.workAlloc[y][x];
        if (q >= 0) {
          s_.site[q] = {x, y};
          s_.onGrid[q] = 1;
        }
      }
    }
    s_.futureGates.clear();
  }

  // The site of qubit q.
  Location site(int q) const { return s_.site[q]; }

  // One SWAP applied to the matrix and the site array together.
  void apply(const Swap& sw) {
    int& qa = s_.workAlloc[sw.first.y][sw.first.x];
    int& qb = s_.workAlloc[sw.second.y][sw.second.x];
    std::swap(qa, qb);
    if (qb != -1) s_.site[qb] = sw.second;
    if (qa != -1) s_.site[qa] = sw.first;
  }

  // Chooses the SWAPs (into s.swaps) that bring the qubits on l1 and l2 together under the
  // look-ahead buffer, and returns where the two end; applies nothing.
  std::pair<Location, Location> choose(Location l1, Location l2) {
    LookaheadSet& look = s_.look;
    look.assign(s_.futureGates, weighting_);
    for (std::size_t k = 0; k < look.qubits.size(); ++k) {
      const int q = look.qubits[k];
      if (q >= 0 && static_cast<std::size_t>(q) < qubitCount_ && s_.onGrid[q]) {
        look.placed[k] = 1;
        look.sites[k] = s_.site[q];
      }
    }
    std::pair<Location, Location> ends;
    if (s_.chip) {
      look.chip = s_.chip;
      s_.chipSearch.route(*s_.chip, l1, l2, isTall_, look, s_.swaps, ends);
    } else {
      look.chip = nullptr;
      s_.search.route(l1, l2, isTall_, look, s_.swaps, ends);
    }
    return ends;
  }

  // True when a gate on qubits at a and b needs no SWAP: the two sites share a usable coupler.
  bool adjacent(Location a, Location b) const {
    return s_.chip ? s_.chip->coupled(a, b) : dist(a, b) == 1;
  }

 private:
  RouterScratch& s_;
  bool isTall_;
  Weighting weighting_;
  std::size_t qubitCount_ = 0;
};

}  // namespace

RouteCosts routeWindowed(const CircuitModel& model, TrialWorkspace& ws, int window, int outputMode,
                         RouteOutput& out) {
  return routeWindowed(model, ws, window, Weighting::kEven, outputMode, out);
}

RouteCosts routeWindowed(const CircuitModel& model, TrialWorkspace& ws, int window,
                         Weighting weighting, int outputMode, RouteOutput& out) {
  const Grid& grid = ws.grid;
  requireDistinctQubits(model, grid.allocationMap, grid.width, grid.height);
  if (outputMode > 0 && out.wantsLayout()) {
    writeLayout(
        out, layoutText(ws.workGrid.allocationMap, ws.workGrid.width, ws.workGrid.height, model));
  }
  return routeWalk(model, ws, grid.allocationMap, model.lines, window, outputMode, out, nullptr,
                   weighting);
}

RouteCosts routeWalk(const CircuitModel& model, TrialWorkspace& ws, const AllocMatrix& start,
                     const std::vector<CircuitLine>& lines, int window, int outputMode,
                     RouteOutput& out, AllocMatrix* finalPlacement, Weighting weighting) {
  const int width = ws.grid.width;
  const int height = ws.grid.height;
  requireDistinctQubits(model, start, width, height);
  std::ostream* os = outputMode != 0 ? out.circuit : nullptr;

  RouterScratch& s = ws.router;
  GateWalk walk(s, start, model.nodeNum, ws.grid.isTall, weighting);
  if (os) {
    s.siteNames.assign(height, std::vector<std::string>(width));
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x)
        s.siteNames[y][x] = model.nameOf(s.workAlloc[y][x]);
    }
  }
  auto siteName = [&](Location l) -> const std::string& { return s.siteNames[l.y][l.x]; };

  SwapHistory history(width, height);
  int swapCount = 0;
  int firstResult = -1;
  bool headerWritten = false;
  std::size_t lookahead = 0;  // next line the look-ahead reader would read
  const std::string& text = model.circuitText;

  for (std::size_t i = 0; i < lines.size(); ++i) {
    const CircuitLine& line = lines[i];
    switch (line.kind) {
      case CircuitLine::kQubitCount:
        // One header block only: at the first .qubit line, or else just before .begin.
        if (os && !headerWritten) writeHeaderBlock(*os, model);
        headerWritten = true;
        break;
      case CircuitLine::kQubitDecl:
        break;
      case CircuitLine::kBegin:
        if (os) {
          if (!headerWritten) writeHeaderBlock(*os, model);
          os->write(text.data() + line.start, line.length) << '\n';
        }
        headerWritten = true;
        // The look-ahead reader starts just after .begin, whatever gates came before it.
        lookahead = i + 1;
        fillFutureGateBuffer(lines, lookahead, s.futureGates, window);
        break;
      case CircuitLine::kGate: {
        Location l1 = walk.site(line.q1);
        Location l2 = walk.site(line.q2);
        if (!walk.adjacent(l1, l2)) {
          const std::pair<Location, Location> ends = walk.choose(l1, l2);
          for (const Swap& sw : s.swaps) {
            if (os) writeSwapLine(*os, siteName(sw.first), siteName(sw.second));
            ++swapCount;
            walk.apply(sw);
          }
          history.recordGate(s.swaps);
          l1 = ends.first;
          l2 = ends.second;
          if (out.gateSwaps) out.gateSwaps->push_back(s.swaps);
        } else if (out.gateSwaps) {
          out.gateSwaps->emplace_back();
        }
        if (os) {
          writeGateLine(*os, line.mnemonic(text), siteName(l1), siteName(l2), line.trailing(text));
        }
        fillFutureGateBuffer(lines, lookahead, s.futureGates, 1);
        break;
      }
      case CircuitLine::kEnd: {
        if (finalPlacement && firstResult < 0) *finalPlacement = s.workAlloc;
        if (outputMode == 1 && out.wantsLayout()) {
          writeLayout(out, layoutText(s.workAlloc, width, height, model));
        }
        int restoring = swapCount;
        while (!history.empty()) {
          const Swap e = history.popLatest();
          if (os && outputMode == 2) writeSwapLine(*os, siteName(e.first), siteName(e.second));
          ++restoring;
          walk.apply(e);
        }
        if (os) *os << ".end\n";
        firstResult = swapCount;
        swapCount = restoring;
        break;
      }
      case CircuitLine::kOther:
        if (os) os->write(text.data() + line.start, line.length) << '\n';
        break;
    }
  }
  if (os) os->flush();
  if (finalPlacement && firstResult < 0) *finalPlacement = s.workAlloc;
  if (firstResult < 0) firstResult = swapCount;
  return {firstResult, swapCount};
}

int routeGates(const CircuitModel& model, TrialWorkspace& ws, LineView lines, int window,
               AllocMatrix& placement, Weighting weighting) {
  const int height = static_cast<int>(placement.size());
  const int width = height > 0 ? static_cast<int>(placement[0].size()) : 0;
  requireDistinctQubits(model, placement, width, height);
  RouterScratch& s = ws.router;
  GateWalk walk(s, placement, model.nodeNum, width <= height, weighting);
  std::size_t lookahead = 0;
  fillFutureGateBuffer(lines, lookahead, s.futureGates, window);
  int swapCount = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const CircuitLine& line = lines[i];
    if (line.kind != CircuitLine::kGate) continue;
    const Location l1 = walk.site(line.q1);
    const Location l2 = walk.site(line.q2);
    if (!walk.adjacent(l1, l2)) {
      walk.choose(l1, l2);
      for (const Swap& sw : s.swaps) {
        ++swapCount;
        walk.apply(sw);
      }
    }
    fillFutureGateBuffer(lines, lookahead, s.futureGates, 1);
  }
  placement = s.workAlloc;
  return swapCount;
}
