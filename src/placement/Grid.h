#pragma once

#include <string>
#include <vector>

#include "chip/Chip.h"
#include "chip/Location.h"

// The sites placement works on, which qubit sits on each, and how many empty neighbours each
// empty site still has (the freedom that the placement cost reads). A full rectangle of width x
// height sites, or a chip whose sites off the chip (or outside its largest group) hold kNoSite,
// where neighbours are the sites joined by usable couplers and distances are the chip's.
class Grid {
 public:
  // Row-major [y][x]: the qubit index on the site, or -1 for an empty site.
  std::vector<std::vector<int>> allocationMap;
  // Row-major [y][x]: empty neighbours of an empty site; 0 for an occupied one.
  std::vector<std::vector<int>> freedomMap;
  int width;
  int height;
  // True when width <= height; orients the ring search and the route enumeration.
  bool isTall;
  // The chip when it has missing sites or couplers; null for a full rectangle.
  const Chip* chip = nullptr;

  // An empty grid of width columns and height rows.
  Grid(int width, int height);
  // An empty grid of the chip's sites; a full chip gives the plain rectangle. The chip must
  // outlive the grid and its copies.
  explicit Grid(const Chip& chip);
  // The distance placement prices: the chip's, or Manhattan's on a full rectangle.
  int distance(Location a, Location b) const { return chip ? chip->distance(a, b) : dist(a, b); }
  Grid(const Grid&) = default;
  Grid& operator=(const Grid&) = default;

  // Recomputes every site's freedom from the allocation map.
  void freedom();
  // Site `loc` has just been occupied: zero it and take one freedom from each neighbour.
  void updateFreedom(Location loc);
  // Empties every site.
  void resetGrid();
  // The site of `qubit` by a row-major scan; (-1, -1) when no site holds it.
  Location idxToLoc(int qubit) const;

  // Chooses, occupies and returns the cheapest empty site for qubit `idx` near anchors[0];
  // (-1, -1) after printing the failure report on standard output when no site is accepted.
  Location placeNeighbor(int idx, int remainingDegree, int remainingAct, std::vector<int> weights,
                         std::vector<Location> anchors);
  // The ring search behind placeNeighbor: with stopEarly it ends at the first ring that cannot
  // hold a cheaper site, without it every site is priced. When no site is accepted it returns
  // (-1, -1) and appends the failure report to `failure` (when given).
  Location placeBest(int idx, int remainingDegree, int remainingAct, std::vector<int>& weights,
                     std::vector<Location>& anchors, bool stopEarly, std::string* failure);

  // Fills every site with its row-major number.
  void trivialLocate();
  // Fills the sites with a permutation of 0 .. width*height-1 drawn from a generator of the
  // caller's own, seeded by the time.
  void randomLocate();
  // Prints the allocation map to standard output.
  void printGrid() const;
};

// costFun's value for a site whose summed anchor steps (each times its weight) are S.
double siteCost(double S, int remainingDegree, int remainingAct, int siteFreedom);

// Placement cost of putting a qubit on `site`, given its placed neighbours' sites and gate
// counts, its neighbours still to place, its gates still to place and the site's freedom.
double costFun(Location& site, std::vector<Location>& anchors, std::vector<int>& weights,
               int remainingDegree, int remainingAct, int siteFreedom);

// The largest of four ints.
int max(int a, int b, int c, int d);
