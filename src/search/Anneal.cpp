// Simulated annealing of a starting placement, priced by silent routings: the search's last
// phase, which reshapes the best starts the other phases found.
#include "search/Anneal.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "driver/Cancel.h"
#include "routing/Routers.h"

namespace {

// True when costs a beat costs b.
bool cheaper(RouteCosts a, RouteCosts b, bool tieOnRestoring) {
  if (a.first != b.first) return a.first < b.first;
  return tieOnRestoring && a.second < b.second;
}

}  // namespace

AnnealResult annealStart(const InterActGraph& graph, TrialWorkspace& ws,
                         const std::vector<CircuitLine>& walk, const AllocMatrix& start,
                         const AnnealPlan& plan) {
  auto route = [&](const AllocMatrix& from) {
    RouteOutput none;
    return routeWalk(graph, ws, from, walk, plan.window, 0, none, nullptr, plan.weighting);
  };
  AnnealResult best;
  best.start = start;
  best.costs = route(start);
  best.routings = 1;
  AllocMatrix current = start;
  int currentU = best.costs.first;
  const int height = static_cast<int>(start.size());
  const int width = height > 0 ? static_cast<int>(start[0].size()) : 0;
  if (width * height < 2) return best;
  // The raw output of mt19937 is fixed by the standard; the chances are drawn from it directly.
  std::mt19937 generator(plan.seed);
  auto below = [&](int n) { return static_cast<int>(generator() % static_cast<std::uint32_t>(n)); };
  for (long step = 0; step < plan.steps && best.costs.first > 0 && !cancelled(plan.cancel);
       ++step) {
    const int x1 = below(width);
    const int y1 = below(height);
    int x2, y2;
    if (generator() % 2 == 0) {
      x2 = below(width);
      y2 = below(height);
    } else {
      x2 = std::clamp(x1 + below(3) - 1, 0, width - 1);
      y2 = std::clamp(y1 + below(3) - 1, 0, height - 1);
    }
    const double chance = (generator() >> 8) * (1.0 / 16777216.0);
    if (current[y1][x1] == current[y2][x2]) continue;
    // A site that holds no qubit on the chip takes part in no exchange.
    if (current[y1][x1] == kNoSite || current[y2][x2] == kNoSite) continue;
    std::swap(current[y1][x1], current[y2][x2]);
    const RouteCosts costs = route(current);
    ++best.routings;
    const double temperature = plan.temperature * (1.0 - static_cast<double>(step) / plan.steps);
    const int extra = costs.first - currentU;
    if (extra <= 0 || (temperature > 0 && chance < std::exp(-extra / temperature))) {
      currentU = costs.first;
      if (cheaper(costs, best.costs, plan.tieOnRestoring)) {
        best.start = current;
        best.costs = costs;
        best.step = step;
      }
    } else {
      std::swap(current[y1][x1], current[y2][x2]);
    }
  }
  return best;
}
