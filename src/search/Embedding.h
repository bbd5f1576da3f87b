#pragma once

#include <utility>
#include <vector>

#include "chip/Chip.h"

// What the embedding search established.
enum class EmbedStatus { kFound, kAbsent, kUnknown };

// The answer of embedGraph.
struct Embedding {
  EmbedStatus status = EmbedStatus::kUnknown;
  std::vector<Location> sites;  // kFound: each vertex's site, (-1, -1) for one without edges
  // kUnknown: the sites of the most vertices the search had placed at once, (-1, -1) for the
  // others; empty when it placed none.
  std::vector<Location> partial;
  long long work = 0;  // work units spent
};

// Looks for distinct sites for the vertices 0 .. n - 1 such that the two ends of every edge stand
// on sites joined by a usable coupler of `chip`: an embedding of the graph into the chip's
// coupling graph (a subgraph monomorphism). Loops and repeated edges count once. The search
// spends at most `workLimit` units, one per candidate site examined, one per comparison of its
// balls with the room around the site and one per distance compared, so its answer depends on
// nothing but its arguments: kFound with the sites, kAbsent
// when it proved that no embedding exists, kUnknown when the work ran out first.
Embedding embedGraph(int n, const std::vector<std::pair<int, int>>& edges, const Chip& chip,
                     long long workLimit);

// The name of a status as reports print it: "found", "absent" or "unknown".
const char* embedStatusName(EmbedStatus status);
