#pragma once

#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include "chip/Location.h"

// Occupancy matrix [y][x]: qubit index on each site, -1 for an empty site.
typedef std::vector<std::vector<int>> AllocMatrix;
// Qubit index to the site it occupies.
typedef std::map<int, Location> QubitLocMap;
// A SWAP gate as its two adjacent sites, in the order written.
typedef std::pair<Location, Location> Swap;
typedef std::vector<Swap> SwapList;

// Exchanges the occupants of sites a and b in the matrix.
void swapQubit(Location a, Location b, AllocMatrix& alloc);
// Exchanges the sites stored for qubits qa and qb; a missing key is entered at (0, 0) first.
void swapQubit(int qa, int qb, QubitLocMap& qubitLoc);

// Applies one SWAP of sites p and q to a matrix and its location map together; empty sites
// never get a map entry.
void applySwap(Location p, Location q, AllocMatrix& alloc, QubitLocMap& qubitLoc);

// Appends the L-shaped route from `from` towards `to` (x first, then y), without `to` itself.
void findPath(Location from, Location to, std::vector<Location>& path);

// Quadrant code (1..4) of the direction from s towards t; ties take the increasing step.
int quadrantCode(Location s, Location t);

// Enumerates depth-first every monotone route from cur to dst in quadrant `dir` that avoids
// `visited`, appending each whole route (after the caller's prefix in `path`) to `paths`.
void trail(Location cur, Location dst, int dir, std::vector<Location>& visited,
           std::vector<Location>& path, std::vector<std::vector<Location>>& paths, bool isTall);
