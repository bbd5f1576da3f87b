#include "driver/Trials.h"

#include <new>

#include "placement/Placement.h"
#include "routing/RouteSearch.h"
#include "routing/Routers.h"

const TrialSteps& fastSteps() {
  static const TrialSteps steps{placeTrial, baselineCost, routeWindowed};
  return steps;
}

TrialResult runTrial(const CircuitModel& model, TrialWorkspace& ws, int seed, int window,
                     const TrialSteps& steps) {
  TrialResult result;
  try {
    resetWorkspace(ws);
    if (!steps.place(model, ws, seed, &result.failure)) {
      result.status = TrialStatus::kPlacementFailed;
      return result;
    }
    result.costB = steps.baseline(model, ws.grid, nullptr);
    RouteOutput none;
    const RouteCosts costs = steps.route(model, ws, window, 1, none);
    result.costU = costs.first;
    result.costR = costs.second;
  } catch (const InconsistentSwapPath&) {
    result.status = TrialStatus::kSwapPathError;
  } catch (const std::bad_alloc&) {
    result.status = TrialStatus::kOutOfMemory;
  }
  return result;
}

std::vector<TrialResult> runTrialRange(const CircuitModel& model, int window, int first, int last,
                                       const TrialSteps& steps) {
  std::vector<TrialResult> results;
  TrialWorkspace ws(model);
  for (int seed = first; seed < last; ++seed) {
    results.push_back(runTrial(model, ws, seed, window, steps));
    if (results.back().status != TrialStatus::kDone) break;
  }
  return results;
}

int bestTrial(const std::vector<TrialResult>& results) {
  int best = -1;
  int bestU = 2147483647;
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (results[i].status != TrialStatus::kDone) continue;
    // Strictly smaller only: the first seed that reaches the minimum wins.
    if (results[i].costU < bestU) {
      bestU = results[i].costU;
      best = static_cast<int>(i);
    }
  }
  return best;
}
