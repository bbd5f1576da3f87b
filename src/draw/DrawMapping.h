#pragma once

#include <string>
#include <vector>

#include "draw/MappingPicture.h"

// The inserted SWAPs of every placement trial, for the chart under a picture: trial i is the
// one that started from seed i.
struct SeedChart {
  std::vector<int> swapsBySeed;  // inserted SWAPs of each trial, by seed
  int chosenSeed = -1;           // the trial whose mapping the picture shows
};

// The colours of a picture. Edges take the colour of their SWAP level: level 0 for an edge that
// carried no inserted SWAP, levels 1 to 4 for the four quarters of the busiest edge's count.
namespace picturecolour {
extern const char* const kBackground;
extern const char* const kCircuitSite;  // fill of a site whose starting qubit is the circuit's
extern const char* const kFillerSite;   // fill of a site that starts with a filler qubit
extern const char* const kChangedSite;  // outline of a site whose qubit differs at the end
extern const char* const kSwapLevel[5];
}  // namespace picturecolour

// The SWAP level (0 to 4) of an edge that carried `swaps` when the busiest carried `maxSwaps`.
int swapLevel(int swaps, int maxSwaps);

// The SVG 1.1 text of a picture: the title lines, the grid with its labelled sites and loaded
// edges, the legend, and the chart of `chart` when it is given. The file is self-contained:
// no script, no external file or font, generic font families only.
std::string drawMapping(const MappingPicture& picture, const SeedChart* chart = nullptr);
