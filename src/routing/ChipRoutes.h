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

// The sites on a shortest chip path between two sites, layer by layer from the first, each
// with its neighbours on the interval one step nearer and one step farther from the first.
class ChipInterval {
 public:
  // Finds the sites between a and b by breadth-first steps from a; none when no path joins them.
  void find(const Chip& chip, Location a, Location b);
  // Number of sites, and number of layers (the distance of a and b plus one, 0 for no path).
  int size() const { return static_cast<int>(nodes_.size()); }
  int layers() const { return static_cast<int>(starts_.size()) - 1; }
  // Where layer k (the sites k steps from a) starts, and one past its end at k + 1; within a
  // layer the sites stand in the order first met.
  int layerStart(int k) const { return starts_[k]; }
  // The site at position i, its rank among the chip's live sites and its distance from a.
  Location site(int i) const { return nodes_[i].site; }
  int rank(int i) const { return nodes_[i].rank; }
  int layer(int i) const { return nodes_[i].layer; }
  // The positions of the neighbours of site i by direction (Chip::Direction) that lie on the
  // interval one step nearer a (towardsB false) or one step farther from it, -1 for the others.
  const int* steps(int i, bool towardsB) const { return nodes_[i].steps[towardsB]; }
  // The position of the live site of rank r, or -1 when it is not on the interval.
  int positionOf(int r) const { return r >= 0 && mark_[r] == search_ ? position_[r] : -1; }

 private:
  // One site of the interval.
  struct Node {
    Location site;
    int rank = 0;
    int layer = 0;
    int steps[2][4] = {{-1, -1, -1, -1}, {-1, -1, -1, -1}};  // nearer a, then farther
  };
  std::vector<Node> nodes_;
  std::vector<int> starts_;
  std::vector<unsigned> mark_;  // per live site: the search that met it
  std::vector<int> position_;   // per live site: its position, for a site met by this search
  unsigned search_ = 0;
};

// The cheapest shortest chip paths from one start to every site of the interval of the start and
// a far site, priced as RouteTree prices monotone routes: the qubit on the start travels, every
// qubit on the path moves back one site, and a route costs one weight per passed site, chosen by
// the site it is entered from. Of equal costs, the route first in step order wins. Sites are
// named by their positions in the interval.
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
  // Appends the sites of the first cheapest route to site i, from the start to i.
  void route(const ChipInterval& interval, int i, std::vector<Location>& out) const;
  // Calls visit(k, to) for each look-ahead qubit k that the route to site i moves to site `to`.
  template <typename Visit>
  void forEachMoved(int i, Visit visit) const {
    if (masks_) {
      // The moved qubits as bits, each with the one site a route through it moves it to.
      for (std::uint64_t moved = cells_[i].moved; moved != 0; moved &= moved - 1) {
        const int k = __builtin_ctzll(moved);
        visit(k, movedTo_[k]);
      }
      return;
    }
    for (; cells_[i].parent >= 0; i = cells_[i].parent) {
      if (cells_[i].look >= 0) visit(cells_[i].look, cells_[i].parent);
    }
  }
  // For a tree built with entries: the site before i on the route that ends with the traveller
  // beside i most cheaply, the route first in step order among equals.
  int entryOf(int i) const { return cells_[i].entry; }

 private:
  // What the tree keeps per interval site.
  struct Cell {
    int cost = 0;             // cheapest weight sum from the start
    int parent = -1;          // the site its route enters it from, -1 for the start
    int order = 0;            // position of its route among the routes of its layer, in step order
    int look = -1;            // look-ahead position of the qubit on it, or -1
    int arrival = 0;          // with entries: its cost plus the traveller's gates from it
    int entry = -1;           // with entries: the cheapest site it is entered from
    std::uint64_t moved = 0;  // look-ahead qubits its route moves, as bits (with masks_)
  };
  // The summed distance of the traveller's look-ahead gates with the traveller on site i.
  int travellerGates(const Chip& chip, const ChipInterval& interval, const LookaheadSet& look,
                     int i) const {
    if (traveller_ < 0) return 0;
    if (!travellerRows_.empty()) {
      const int r = interval.rank(i);
      int sum = 0;
      for (const auto& [row, w] : travellerRows_)
        sum += w * row[r];
      return sum;
    }
    return travellerGatesBySite(chip, look, interval.site(i));
  }
  // The same from the chip's distances, for a traveller with a partner off the table.
  int travellerGatesBySite(const Chip& chip, const LookaheadSet& look, Location at) const;
  // The entry weight of site `at` (holding look-ahead qubit k) entered from site `from`.
  int weight(const Chip& chip, const LookaheadSet& look, int k, Location at, Location from) const;

  int traveller_ = -1;
  bool masks_ = false;          // Cell::moved is kept (at most 64 look-ahead qubits)
  std::vector<int> movedTo_;    // per look-ahead qubit: the site a route through it moves it to
  std::vector<Cell> cells_;     // per interval site
  std::vector<int> byOrder_;    // the sites of the last layer done, in step order
  std::vector<int> nextOrder_;  // the same for the layer being done
  std::vector<std::pair<const std::uint16_t*, int>> travellerRows_;  // partner rows, weights
};

// The windowed router's choice for one distant gate on a chip, as MeetingSearch chooses on a grid.
class ChipMeetingSearch {
 public:
  // The SWAPs and ends of the chosen candidate for the qubits on a and b; returns its cost.
  // `look` holds the buffer's qubits with the sites of the current placement and the chip.
  double route(const Chip& chip, Location a, Location b, bool isTall, const LookaheadSet& look,
               SwapList& swaps, std::pair<Location, Location>& ends);

 private:
  // The candidate meeting sites of qubits on a and b, into candidates_ as interval positions:
  // ordered by their distance from a (the middle distance first, then alternately nearer a and
  // nearer b), and at one distance as the grid orders them (by the steps along y from a when
  // the grid is wide, along x when it is tall, each towards b), other ties by the other
  // coordinate towards b.
  void meetingSites(Location a, Location b, bool isTall);
  // The look-ahead cost of the ranks in ranks_ from the distance table.
  int rankedCost(const Chip& chip, const LookaheadSet& look) const;

  ChipInterval interval_;
  ChipRouteTree fromA_;
  ChipRouteTree fromB_;
  std::vector<int> candidates_;  // interval positions of the meeting sites, in preference order
  std::vector<int> keys_;        // the candidates' keys within their distance from a
  std::vector<Location> where_;  // sites of the look-ahead qubits after the moves
  std::vector<int> baseRanks_;   // ranks of the look-ahead qubits' sites before the moves
  std::vector<int> ranks_;       // the same after the moves of one candidate
  std::vector<int> moved_;       // the look-ahead qubits whose entry of ranks_ a candidate moved
  std::vector<Location> routeA_;
  std::vector<Location> routeB_;
};
