#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "driver/InterActGraph.h"
#include "routing/GridPaths.h"
#include "routing/Lookahead.h"

// One annealing run over starting placements: each step exchanges what two sites of the start
// hold (any two, or two within one step of each other, at even odds), routes the circuit from
// the new start without writing anything, and keeps the exchange when the routing needs no
// more SWAPs, or by chance when it needs more: with probability exp(-extra / T), where the
// temperature T falls linearly from `temperature` to 0 over the run.
struct AnnealPlan {
  long steps = 0;            // exchanges tried
  double temperature = 1.0;  // at the first step, in SWAPs
  std::uint32_t seed = 1;    // of the generator that picks the sites and the chances
  int window = 3;            // the routing's look-ahead window
  Weighting weighting = Weighting::kEven;
  bool tieOnRestoring = false;  // among equal routing SWAPs, fewer restoring SWAPs are better
  const std::atomic<bool>* cancel = nullptr;  // ends the run early when set
};

// The best start the run met, with its routing's costs.
struct AnnealResult {
  AllocMatrix start;
  RouteCosts costs{0, 0};
  long step = -1;     // the step that found it; -1 for the start itself
  long routings = 0;  // routings made, the start's included
};

// Anneals `start` by `plan`, routing `walk` (the circuit's forward walk) in `ws`; the same
// arguments give the same result on every platform whose libm gives the same exp.
AnnealResult annealStart(const InterActGraph& graph, TrialWorkspace& ws,
                         const std::vector<CircuitLine>& walk, const AllocMatrix& start,
                         const AnnealPlan& plan);
