#include "search/BeamRefine.h"

#include "search/ReversedMapping.h"
#include "search/Walks.h"

BeamMapping beamRefine(const InterActGraph& graph, const AllocMatrix& start, const BeamPlan& plan,
                       int rounds) {
  BeamMapping best;
  const std::vector<CircuitLine> forward = forwardWalk(graph.lines);
  const std::vector<CircuitLine> backward = reversedWalk(graph.lines);
  const int width = graph.grid.width;
  const int height = graph.grid.height;
  auto offer = [&](BeamMapping&& m) {
    const bool cheaper = m.costs.first != best.costs.first ? m.costs.first < best.costs.first
                                                           : m.costs.second < best.costs.second;
    if (cheaper) best = std::move(m);
  };
  AllocMatrix from = start;
  for (int r = 0; r <= rounds; ++r) {
    if (r > 0) {
      BeamRouting back = routeBeam(*graph.chip, from, LineView(backward), plan);
      if (!back.found) break;
      BeamMapping m;
      m.found = true;
      m.start = back.end;
      m.swaps = forwardSwaps(back.gateSwaps);
      m.costs = swapCosts(m.swaps, width, height);
      from = back.end;
      offer(std::move(m));
    }
    BeamRouting ahead = routeBeam(*graph.chip, from, LineView(forward), plan);
    if (!ahead.found) break;
    BeamMapping m;
    m.found = true;
    m.start = from;
    m.swaps = std::move(ahead.gateSwaps);
    m.costs = swapCosts(m.swaps, width, height);
    from = std::move(ahead.end);
    offer(std::move(m));
  }
  return best;
}
