#pragma once

#include <string>

#include "model/CircuitModel.h"
#include "placement/Grid.h"
#include "routing/RouterScratch.h"

// Everything one placement trial changes: the grid placement works on, the placement the
// routers read, and the router's buffers. A workspace belongs to one thread at a time; the
// circuit model beside it is shared and only read.
struct TrialWorkspace {
  Grid grid{0, 0};       // the placement the routers read
  Grid workGrid{0, 0};   // the grid placement works on
  RouterScratch router;  // the windowed router's buffers

  TrialWorkspace() = default;
  // Empty grids of the model's chip.
  explicit TrialWorkspace(const CircuitModel& model)
      : grid(gridOf(model)), workGrid(gridOf(model)) {
    router.chip = grid.chip;
  }

 private:
  // An empty grid of the model's chip.
  static Grid gridOf(const CircuitModel& model) {
    return model.chip ? Grid(*model.chip) : Grid(model.gridWidth, model.gridHeight);
  }
};

// Empties the workspace's grids: workGrid, and grid as its copy.
void resetWorkspace(TrialWorkspace& ws);

// One trial's placement: placeQubits on ws.workGrid, copied into ws.grid for the routers.
bool placeTrial(const CircuitModel& model, TrialWorkspace& ws, int seed,
                std::string* failure = nullptr);
