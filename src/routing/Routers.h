#pragma once

#include <cstddef>
#include <ostream>
#include <stdexcept>

#include "model/CircuitModel.h"
#include "routing/GridPaths.h"
#include "routing/Lookahead.h"
#include "routing/TrialWorkspace.h"

// The two routers of a trial, over the shared circuit model and the trial's own workspace.

// Baseline price of `placement`: every two-qubit gate priced alone, 2 x (distance - 1); the
// already adjacent gate lines go to `out` when given.
int baselineCost(const CircuitModel& model, const Grid& placement, std::ostream* out = nullptr);

// True when every site of `alloc` holds -1 or a qubit index below `limit` that stands on no
// other site, as every placement does: the windowed router's precondition.
bool distinctQubits(const AllocMatrix& alloc, std::size_t limit);

// Windowed routing of the placement in ws.grid over the whole circuit: writes the mapped
// circuit and the layout to `out` as outputMode says (nothing for a default RouteOutput) and
// returns (costU, costR). The placement must hold distinct qubits below nodeNum + sites
// (distinctQubits); otherwise it throws std::invalid_argument and routes nothing.
RouteCosts routeWindowed(const CircuitModel& model, TrialWorkspace& ws, int window, int outputMode,
                         RouteOutput& out);

// The same routing with the look-ahead gates counted by `weighting`; with Weighting::kEven it
// is routeWindowed.
RouteCosts routeWindowed(const CircuitModel& model, TrialWorkspace& ws, int window,
                         Weighting weighting, int outputMode, RouteOutput& out);

// Windowed routing of the line sequence `lines` (the model's lines, or a reordered view of
// them) from the placement `start`, as routeWindowed routes the whole circuit, without the
// initial layout: writes to `out` as outputMode says, and leaves the placement reached at the
// first .end, before any restoring SWAP (at the end of `lines` when it has none), in
// finalPlacement when given. Uses ws's router buffers and grid size only. The same
// precondition as routeWindowed holds for `start`. The look-ahead gates count by `weighting`.
RouteCosts routeWalk(const CircuitModel& model, TrialWorkspace& ws, const AllocMatrix& start,
                     const std::vector<CircuitLine>& lines, int window, int outputMode,
                     RouteOutput& out, AllocMatrix* finalPlacement,
                     Weighting weighting = Weighting::kEven);

// Routes the two-qubit gates of `lines` (other lines are passed over) from `placement`, with
// the look-ahead window loaded from the start of `lines`, as the windowed router routes the
// gates of a circuit; leaves the final placement in `placement` and returns the SWAPs
// inserted. Writes nothing and restores nothing. `lines` may be the model's lines backwards,
// for instance. The same precondition as routeWindowed holds for `placement`. The look-ahead
// gates count by `weighting`.
int routeGates(const CircuitModel& model, TrialWorkspace& ws, LineView lines, int window,
               AllocMatrix& placement, Weighting weighting = Weighting::kEven);
