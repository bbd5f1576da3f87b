#pragma once

#include <utility>
#include <vector>

#include "routing/GridPaths.h"
#include "routing/Lookahead.h"

// Candidate meeting sites for qubits on a and b: every site of their rectangle, ordered by
// distance from a, the middle distance first, then alternately nearer a and nearer b.
std::vector<Location> findMidPoint(Location& a, Location& b, bool isTall);
// The same list as findMidPoint, written into `out` (cleared first) without floating point.
void meetingSites(Location a, Location b, bool isTall, std::vector<Location>& out);

// The SWAPs that carry a's qubit onto `meet` and b's qubit next to it, each along the first
// shortest route that leaves the buffered gates closest; returns the look-ahead cost after
// both moves. `ends` receives the final sites of a's and b's qubits. Finds the routes by a
// cheapest-route search over the rectangles (RouteTree). Every qubit of the buffer must stand on
// one site at most; otherwise it throws std::invalid_argument.
double shortestPath(Location a, Location b, Location meet, SwapList& swaps,
                    std::pair<Location, Location>& ends, AllocMatrix& alloc,
                    GateBuffer& futureGates, bool isTall);

// Summed distance of the buffered gates' operands under a location map (missing qubits are
// entered at (0, 0)).
int lookaheadCost(const GateBuffer& futureGates, QubitLocMap& qubitLoc);

// Location map of a matrix by a row-major scan; the first site of a qubit wins.
QubitLocMap buildQubitLoc(const AllocMatrix& alloc);
