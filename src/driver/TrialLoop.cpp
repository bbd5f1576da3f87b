#include "driver/TrialLoop.h"

TrialOutcome runTrials(InterActGraph& graph, int window, int /*workers*/) {
  TrialOutcome outcome;
  int bestU = 2147483647;
  for (int seed = 0; seed < graph.qubitNum; ++seed) {
    graph.resetGrid();
    if (!graph.mapToGrid(seed)) {
      outcome.placementFailed = true;
      outcome.bestSeed = -1;
      return outcome;
    }
    TrialCosts costs;
    costs.costB = graph.baselineCost();
    RouteOutput none;
    const RouteCosts routed = graph.routeWindowed(window, 1, none);
    costs.costU = routed.first;
    costs.costR = routed.second;
    outcome.perSeed.push_back(costs);
    if (costs.costU < bestU) {
      bestU = costs.costU;
      outcome.bestSeed = seed;
    }
  }
  return outcome;
}

RouteCosts routeSeed(InterActGraph& graph, int seed, int window, RouteOutput& out) {
  graph.resetGrid();
  graph.mapToGrid(seed);
  return graph.routeWindowed(window, 1, out);
}
