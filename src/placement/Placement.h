#pragma once

#include <string>

#include "model/CircuitModel.h"
#include "model/TrialWorkspace.h"
#include "placement/Grid.h"

// Empties the workspace's grids: workGrid, and grid as its copy.
void resetWorkspace(TrialWorkspace& ws);

// Greedy placement of every qubit on the empty grid `workGrid`, starting from the seed-th
// ranked qubit: a ranked breadth-first walk that puts each qubit on the empty site closest to
// its placed partners. stopEarly bounds each site search by rings; without it every empty site
// is priced (the reference version). False, with the failure report appended to `failure`
// (when given), when a qubit finds no site.
bool placeQubits(const CircuitModel& model, Grid& workGrid, int seed, bool stopEarly,
                 std::string* failure);

// One trial's placement: placeQubits on ws.workGrid, copied into ws.grid for the routers.
bool placeTrial(const CircuitModel& model, TrialWorkspace& ws, int seed,
                std::string* failure = nullptr);
