#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "model/CircuitModel.h"
#include "routing/TrialWorkspace.h"

// The three steps of a placement trial, as functions over the shared model and the trial's
// workspace: the production versions (fastSteps) or the reference versions of the reference
// library, which give the same results.
struct TrialSteps {
  // Places every qubit from the seed-th ranked one into ws.grid; false with the failure report.
  bool (*place)(const CircuitModel& model, TrialWorkspace& ws, int seed, std::string* failure);
  // Baseline cost of a placement; adjacent gate lines to `out` when given.
  int (*baseline)(const CircuitModel& model, const Grid& placement, std::ostream* out);
  // Windowed routing of ws.grid, writing to `out` as outputMode says.
  RouteCosts (*route)(const CircuitModel& model, TrialWorkspace& ws, int window, int outputMode,
                      RouteOutput& out);
};

// The production steps: bounded placement search, tokenised baseline and the fast router.
const TrialSteps& fastSteps();

// How a trial ended.
enum class TrialStatus {
  kDone,             // costs are set
  kPlacementFailed,  // a qubit found no site; `failure` holds the report
  kSwapPathError,    // the SWAP path search met an inconsistent path ("error!")
  kOutOfMemory,      // memory ran out during the trial
  kNotRun,           // not handed out, because a trial before it failed
};

// One seed's outcome.
struct TrialResult {
  int costB = 0;  // baseline cost of the placement
  int costU = 0;  // routing SWAPs of the windowed router
  int costR = 0;  // those plus the SWAPs that restore the starting placement
  TrialStatus status = TrialStatus::kDone;
  std::string failure;  // the placement failure report, for kPlacementFailed
};

// Runs the trial of `seed` on `ws`: empties the grids, places, prices and routes without
// writing anything. Catches its own failures and reports them in the result's status.
TrialResult runTrial(const CircuitModel& model, TrialWorkspace& ws, int seed, int window,
                     const TrialSteps& steps = fastSteps());

// The trials of seeds [first, last) on one workspace of their own, in seed order: entry i is
// seed first + i. The unit of work a driver hands out, to a thread or to another machine. A
// failed trial is the last entry: the seeds after it are not run.
std::vector<TrialResult> runTrialRange(const CircuitModel& model, int window, int first, int last,
                                       const TrialSteps& steps = fastSteps());

// The winner among results in seed order: the index of the first with the smallest costU, or
// -1 when there is none. Only finished trials count.
int bestTrial(const std::vector<TrialResult>& results);
