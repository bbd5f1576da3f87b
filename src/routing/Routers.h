#pragma once

#include <cstddef>
#include <ostream>
#include <stdexcept>

#include "model/CircuitModel.h"
#include "model/TrialWorkspace.h"
#include "routing/GridPaths.h"
#include "routing/Lookahead.h"

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

// Routes the two-qubit gates of `lines` (other lines are passed over) from `placement`, with
// the look-ahead window loaded from the start of `lines`, as the windowed router routes the
// gates of a circuit; leaves the final placement in `placement` and returns the SWAPs
// inserted. Writes nothing and restores nothing. `lines` may be the model's lines backwards,
// for instance. The same precondition as routeWindowed holds for `placement`.
int routeGates(const CircuitModel& model, TrialWorkspace& ws, LineView lines, int window,
               AllocMatrix& placement);
