#pragma once

#include <string>
#include <utility>
#include <vector>

#include "chip/Chip.h"
#include "routing/ChipRoutes.h"
#include "routing/GridPaths.h"
#include "routing/Lookahead.h"
#include "routing/MeetingSearch.h"
#include "routing/RouteSearch.h"

// The windowed router's working state, kept between the trials of one thread so that each
// routing reuses the buffers of the one before instead of allocating them again.
struct RouterScratch {
  GateBuffer futureGates;                           // the look-ahead buffer
  AllocMatrix workAlloc;                            // the router's copy of the placement
  std::vector<Location> site;                       // per qubit: its site in workAlloc
  std::vector<char> onGrid;                         // per qubit: 1 when it stands on a site
  std::vector<std::vector<std::string>> siteNames;  // per site: its starting qubit's name
  LookaheadSet look;                                // the buffer with its qubits' sites
  MeetingSearch search;                             // the meeting-site search
  ChipMeetingSearch chipSearch;                     // the same on a chip with holes
  const Chip* chip = nullptr;                       // that chip, or null on a full grid
  SwapList swaps;                                   // the SWAPs chosen for one gate
};
