#pragma once

#include <string>

#include "model/CircuitModel.h"
#include "placement/Grid.h"

// Greedy placement of every qubit on the empty grid `workGrid`, starting from the seed-th
// ranked qubit: a ranked breadth-first walk that puts each qubit on the empty site closest to
// its placed partners. stopEarly bounds each site search by rings; without it every empty site
// is priced (the reference version). False, with the failure report appended to `failure`
// (when given), when a qubit finds no site.
bool placeQubits(const CircuitModel& model, Grid& workGrid, int seed, bool stopEarly,
                 std::string* failure);
