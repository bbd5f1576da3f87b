#pragma once

#include <utility>
#include <vector>

#include "chip/Chip.h"
#include "search/Embedding.h"

// Looks for the same embedding as embedGraph by handing the question to a SAT solver (CaDiCaL):
// one variable per vertex with edges and live site of enough couplers, each such vertex on
// exactly one site, each site holding at most one, and each edge's ends on coupled sites. Clause
// learning finds the tight packings of sparse graphs that fill the chip, where the depth-first
// search wanders. The solver stops after `conflictLimit` conflicts, so the answer depends on
// nothing but the arguments: kFound with the sites (checked), kAbsent when the formula has no
// solution, kUnknown when the conflicts ran out first or the formula would exceed
// kMaxSatPairs site variables; `work` stays 0 (the solver does not report what it spent).
Embedding satEmbedding(int n, const std::vector<std::pair<int, int>>& edges, const Chip& chip,
                       long long conflictLimit);

// The most (vertex, site) variables a formula may have: about 100 bytes of clauses each.
constexpr long long kMaxSatPairs = 2000000;
