#include "routing/TrialWorkspace.h"

#include "placement/Placement.h"

void resetWorkspace(TrialWorkspace& ws) {
  ws.workGrid.resetGrid();
  ws.grid = ws.workGrid;
}

bool placeTrial(const CircuitModel& model, TrialWorkspace& ws, int seed, std::string* failure) {
  if (!placeQubits(model, ws.workGrid, seed, true, failure)) return false;
  ws.grid = ws.workGrid;
  return true;
}
