#pragma once

#include <string>
#include <vector>

#include "model/InterActGraph.h"

// The costs of one placement trial: the baseline cost, the routing SWAPs of the windowed
// router, and those plus the SWAPs that would restore the initial placement.
struct TrialCosts {
  int costB = 0;
  int costU = 0;
  int costR = 0;
};

// Every trial of a run and the one kept.
struct TrialOutcome {
  std::vector<TrialCosts> perSeed;  // one entry per seed 0 .. qubitNum-1
  int bestSeed = -1;                // the first seed with the smallest costU; -1 without trials
  bool placementFailed = false;     // a placement failed (its report is printed); no best seed
};

// Runs gridswap's trials on a circuit read into `graph`: for every seed from 0 to qubitNum-1,
// greedy placement from that seed, the baseline price and the windowed routing with `window`,
// writing nothing. Keeps the first seed with the smallest costU. `workers` is the number of
// worker threads asked for (0: the driver's default); the results do not depend on it, and this
// driver runs every trial on the calling thread.
TrialOutcome runTrials(InterActGraph& graph, int window, int workers = 0);

// Places and routes one seed again, writing the mapped circuit and layout to `out`.
RouteCosts routeSeed(InterActGraph& graph, int seed, int window, RouteOutput& out);
