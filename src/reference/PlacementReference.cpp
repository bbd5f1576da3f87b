// The reference placement: the same ranked walk, with every empty site priced for every qubit.
#include <iostream>

#include "placement/Placement.h"
#include "reference/ReferenceVersions.h"
#include "routing/Routers.h"

Location placeNeighborReference(Grid& grid, int idx, int remainingDegree, int remainingAct,
                                std::vector<int> weights, std::vector<Location> anchors) {
  std::string failure;
  const Location site =
      grid.placeBest(idx, remainingDegree, remainingAct, weights, anchors, false, &failure);
  std::cout << failure << std::flush;
  return site;
}

bool placeTrialReference(const CircuitModel& model, TrialWorkspace& ws, int seed,
                         std::string* failure) {
  if (!placeQubits(model, ws.workGrid, seed, false, failure)) return false;
  ws.grid = ws.workGrid;
  return true;
}

const TrialSteps& referenceSteps() {
  static const TrialSteps steps{placeTrialReference, baselineCostReference, routeWindowedReference};
  return steps;
}
