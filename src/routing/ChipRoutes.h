#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "chip/Chip.h"
#include "routing/RouteSearch.h"

// The search of one distant gate on a chip with missing qubits or couplers. It is the search of
// MeetingSearch with chip distances in place of grid distances: the candidate meeting sites are
// the sites on some shortest chip path between the two qubits, and each qubit travels along a
// shortest chip path. On a full grid these are the sites of the gate's rectangle and its
// monotone routes, in the same order.

// Where a chip route may step, and the order of the steps when routes are otherwise equal: the
// main axis (x when the grid is tall) towards the far site first, then the other axis towards
// it, then the main axis away from it, then the other axis away from it; a tie in a coordinate
// counts as towards its increasing side.
int chipStepRank(Location from, Location to, Location start, Location far, bool isTall);

// The sites on a shortest chip path between two sites, layer by layer from the first.
class ChipInterval {
 public:
  // Finds the sites between a and b by breadth-first steps from a.
  void find(const Chip& chip, Location a, Location b);
  // The sites, by their distance from a; within one distance in the order first met.
  const std::vector<Location>& sites() const { return sites_; }
  // Where each distance from a starts in sites(), and one past the last: layer k is
  // sites()[starts()[k] .. starts()[k + 1]).
  const std::vector<std::size_t>& starts() const { return starts_; }

 private:
  std::vector<Location> sites_;
  std::vector<std::size_t> starts_;
  std::vector<unsigned> seen_;  // per site of the grid: the search that met it
  unsigned search_ = 0;
};

// The candidate meeting sites of qubits on a and b: the interval's sites ordered by their
// distance from a (the middle distance first, then alternately nearer a and nearer b), and at
// one distance as the grid orders them (by the steps along y from a when the grid is wide, along
// x when it is tall, each towards b), other ties by the other coordinate towards b.
void chipMeetingSites(const ChipInterval& interval, Location a, Location b, bool isTall,
                      std::vector<Location>& out);

// The cheapest shortest chip paths from one start to every site of the interval of the start and
// a far site, priced as RouteTree prices monotone routes: the qubit on the start travels, every
// qubit on the path moves back one site, and a route costs one weight per passed site, chosen by
// the site it is entered from. Of equal costs, the route first in step order wins.
class ChipRouteTree {
 public:
  // Builds the tree over the interval of `start` and `far`, found from `start` (fromStart) or
  // from `far`.
  // With `entries` each site also keeps the one it is entered from on the first route to it
  // that is cheapest once the traveller stands on the entered-from site (entryOf).
  void build(const Chip& chip, const ChipInterval& interval, bool fromStart, bool entries,
             Location start, Location far, bool isTall, const LookaheadSet& look);
  // Position in the look-ahead set of the qubit on the start, or -1.
  int traveller() const { return traveller_; }
  // True when the tree reaches `c`.
  bool reaches(Location c) const { return cellOf(c) >= 0; }
  // Sum of the entry weights along the first cheapest route to `c`.
  int cost(Location c) const { return cells_[cellOf(c)].cost; }
  // True when the route to `c` comes before the route to `d` in step order (equally far).
  bool before(Location c, Location d) const {
    return cells_[cellOf(c)].order < cells_[cellOf(d)].order;
  }
  // Appends the first cheapest route to `c`, from the start to `c`.
  void route(Location c, std::vector<Location>& out) const;
  // Calls visit(k, to) for each look-ahead qubit k that the route to `c` moves to `to`.
  template <typename Visit>
  void forEachMoved(Location c, Visit visit) const {
    const int at = cellOf(c);
    if (masks_) {
      // The moved qubits as bits, each with the one site a route through it moves it to.
      for (std::uint64_t moved = cells_[at].moved; moved != 0; moved &= moved - 1) {
        const int k = __builtin_ctzll(moved);
        visit(k, movedTo_[k]);
      }
      return;
    }
    for (int i = at; cells_[i].parent >= 0; i = cells_[i].parent) {
      if (cells_[i].look >= 0) visit(cells_[i].look, cells_[cells_[i].parent].site);
    }
  }
  // The cell of a site on the grid (no bounds check), or -1 for a site the tree does not reach;
  // with its distance from the start and its cost.
  int cellAt(Location c) const { return index_[static_cast<std::size_t>(c.y) * width_ + c.x]; }
  int layerOfCell(int i) const { return cells_[i].layer; }
  int costOfCell(int i) const { return cells_[i].cost; }
  // For a tree built with entries: the site before `c` on the route that ends with the
  // traveller beside `c` most cheaply, the route first in step order among equals.
  Location entryOf(Location c) const { return cells_[cells_[cellAt(c)].entry].site; }
  // The distance from the start of a site of the tree, or -1 for a site it does not reach.
  int layerOf(Location c) const {
    const int i = cellOf(c);
    return i < 0 ? -1 : cells_[i].layer;
  }

 private:
  // What the tree keeps per interval site.
  struct Cell {
    Location site;
    int layer = 0;            // chip distance from the start
    int cost = 0;             // cheapest weight sum from the start
    int parent = -1;          // the cell its route enters it from, -1 for the start
    int order = 0;            // position of its route among the routes of its layer, in step order
    int look = -1;            // look-ahead position of the qubit on it, or -1
    std::uint64_t moved = 0;  // look-ahead qubits its route moves, as bits (with masks_)
    int arrival = 0;          // with entries: its cost plus the traveller's gates from it
    int entry = -1;           // with entries: the cheapest cell it is entered from
  };
  int cellOf(Location c) const {
    if (c.x < 0 || c.y < 0 || c.x >= width_ || c.y >= height_) return -1;
    return index_[static_cast<std::size_t>(c.y) * width_ + c.x];
  }
  // The summed distance of the traveller's look-ahead gates with the traveller on `at`.
  int travellerGates(const Chip& chip, const LookaheadSet& look, Location at) const;
  // The entry weight of cell i entered from site `from`.
  int weight(const Chip& chip, const LookaheadSet& look, int i, Location from) const;

  int width_ = 0;
  int height_ = 0;
  int traveller_ = -1;
  bool masks_ = false;             // Cell::moved is kept (at most 64 look-ahead qubits)
  std::vector<Location> movedTo_;  // per look-ahead qubit: where a route through it moves it
  std::vector<Cell> cells_;        // layer by layer from the start
  std::vector<int> index_;         // per site of the grid: its cell, or -1
  std::vector<int> touched_;       // sites whose index_ entry is set, to clear them cheaply
  std::vector<std::pair<std::pair<int, int>, int>> layer_;  // a layer's cells by route order
  std::vector<std::pair<const std::uint16_t*, int>> travellerRows_;  // partner rows, weights
  std::vector<std::size_t> layerStart_;  // where each layer's cells start
};

// The windowed router's choice for one distant gate on a chip, as MeetingSearch chooses on a grid.
class ChipMeetingSearch {
 public:
  // The SWAPs and ends of the chosen candidate for the qubits on a and b; returns its cost.
  // `look` holds the buffer's qubits with the sites of the current placement and the chip.
  double route(const Chip& chip, Location a, Location b, bool isTall, const LookaheadSet& look,
               SwapList& swaps, std::pair<Location, Location>& ends);

 private:
  // The site before `meet` on b's first cheapest route to it (b when b is at most a step away).
  Location endOfB(const Chip& chip, Location b, Location meet);
  // The look-ahead cost of where_ from the distance table; every qubit on a live site.
  int rankedCost(const Chip& chip, const LookaheadSet& look);

  ChipInterval interval_;
  ChipRouteTree fromA_;
  ChipRouteTree fromB_;
  std::vector<Location> candidates_;
  std::vector<Location> where_;
  std::vector<int> ranks_;  // the positions of where_ among the live sites
  std::vector<Location> routeA_;
  std::vector<Location> routeB_;
};
