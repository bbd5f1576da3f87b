#pragma once

#include <cstdint>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

#include "chip/Chip.h"
#include "routing/GridPaths.h"
#include "routing/Lookahead.h"

// The look-ahead buffer as the route search reads it: its distinct qubits, the site of each,
// and its gates as pairs of positions in the qubit list.
class LookaheadSet {
 public:
  std::vector<int> qubits;                 // distinct qubits of the buffer, first appearance first
  std::vector<Location> sites;             // the site of each qubit; (0, 0) when it has none
  std::vector<char> placed;                // 1 when the qubit stands on a site of the grid
  std::vector<std::pair<int, int>> gates;  // the buffer's gates between two different qubits
  std::vector<std::vector<int>> partners;  // per qubit: its partner in each of those gates
  // How many times each gate counts, per gate and per qubit beside `partners`; both empty when
  // every gate counts once, so that gridswap's own routing pays nothing for weights.
  std::vector<int> weights;
  std::vector<std::vector<int>> partnerWeights;
  // The chip whose distances price the gates; null on a full grid, where they are Manhattan's.
  const Chip* chip = nullptr;

  // Takes the qubits and gates of `buffer`, weighted by `weighting`; every qubit starts
  // without a site.
  void assign(const GateBuffer& buffer, Weighting weighting = Weighting::kEven);
  // Position of `qubit` in `qubits`, or -1.
  int find(int qubit) const;
  // Position of the placed qubit on `site`, or -1.
  int atSite(Location site) const;
  // Summed weighted distance of the gates' qubits standing on `where` (one entry per qubit).
  int cost(const std::vector<Location>& where) const;

 private:
  // Appends `qubit` when new; returns its position.
  int enter(int qubit);
  std::unordered_map<int, int> index_;  // qubit to position, used once the list grows long
};

// Cheapest monotone routes from one start site to every site of the rectangle it spans with a
// far corner. The qubit on the start travels along a route and every qubit on the route moves
// back one site, to the site the route enters it from. Because two sites of one monotone route
// lie as far apart as their distances from the start differ, the look-ahead cost after such a
// move is a constant plus one weight per passed site, chosen by the step that enters it; the
// tree holds, for every site, the cheapest sum and the first such route in trail's order.
class RouteTree {
 public:
  // Builds the tree over the rectangle of `start` and `corner`. The travelling qubit must end
  // on a site that no route to the sites asked about goes beyond (the route's last site).
  void build(Location start, Location corner, bool isTall, const LookaheadSet& look);
  // Position in the look-ahead set of the qubit on the start, or -1.
  int traveller() const { return traveller_; }
  // Sum of the entry weights along the first cheapest route to `c`.
  int cost(Location c) const { return cell_[index(c)].cost; }
  // True when the route to `c` comes before the route to `d` in trail's order; c and d lie
  // equally far from the start. Two routes of the tree never cross once they part, so the one
  // that parts with trail's first step stays on that side: with x steps first, the route to
  // the site farther along x comes first.
  bool before(Location c, Location d) const {
    const int ci = (c.x - start_.x) * sx_;
    const int di = (d.x - start_.x) * sx_;
    return xFirst_ ? ci > di : ci < di;
  }
  // Appends the first cheapest route to `c`, from the start to `c`.
  void route(Location c, std::vector<Location>& out) const;
  // True when movedBy and movedTo describe the routes (at most 64 look-ahead qubits).
  bool hasMasks() const { return masks_; }
  // The look-ahead qubits (as bits of their positions) that the route to `c` moves.
  std::uint64_t movedBy(Location c) const { return cell_[index(c)].moved; }
  // The site a moved look-ahead qubit k moves to.
  Location movedTo(int k) const { return movedTo_[k]; }
  // Calls visit(k, to) for each look-ahead qubit k that the route to `c` moves, `to` being the
  // site it moves to.
  template <typename Visit>
  void forEachMoved(Location c, Visit visit) const {
    int i = (c.x - start_.x) * sx_;
    int j = (c.y - start_.y) * sy_;
    while (i + j > 0) {
      const Cell& cell = cell_[j * (nx_ + 1) + i];
      if (cell.fromX) {
        --i;
      } else {
        --j;
      }
      if (cell.look >= 0) visit(cell.look, site(i, j));
    }
  }

 private:
  // What the tree keeps per site of the rectangle.
  struct Cell {
    int cost = 0;             // cheapest weight sum from the start
    int weightX = 0;          // weight when entered by an x step
    int weightY = 0;          // weight when entered by a y step
    int look = -1;            // look-ahead position of the qubit on it, or -1
    std::uint64_t moved = 0;  // look-ahead qubits its route moves, as bits
    bool fromX = false;       // its route's last step is an x step
  };
  int index(Location c) const {
    return (c.y - start_.y) * sy_ * (nx_ + 1) + (c.x - start_.x) * sx_;
  }
  Location site(int i, int j) const { return {start_.x + sx_ * i, start_.y + sy_ * j}; }
  // Entry weights of the look-ahead qubits' sites.
  void weigh(const LookaheadSet& look);

  Location start_;
  int sx_ = 1, sy_ = 1;            // step signs towards the corner
  int nx_ = 0, ny_ = 0;            // rectangle size in steps
  bool xFirst_ = true;             // the x step comes first in trail's order
  int traveller_ = -1;             // look-ahead position of the qubit on the start
  bool masks_ = false;             // Cell::moved is kept
  std::vector<Cell> cell_;         // row by row from the start
  std::vector<Location> movedTo_;  // per look-ahead qubit: where a route through it moves it
};

// The site next to `meet` where b's qubit ends on the first cheapest of its routes to `meet`
// (b itself when b is at most one step from `meet`). `fromB` is built from b over a rectangle
// that holds `meet`.
Location endOfB(const RouteTree& fromB, const LookaheadSet& look, Location b, Location meet);

// Appends b's whole route to `meet` through `end`, endOfB's choice: b alone when b is `meet`.
void routeOfB(const RouteTree& fromB, Location b, Location meet, Location end,
              std::vector<Location>& out);

// Thrown when two routes end on one site away from the meeting site: an inconsistent SWAP path,
// which a well-formed run never reaches. The program reports it as "error!".
struct InconsistentSwapPath : std::runtime_error {
  InconsistentSwapPath() : std::runtime_error("error!") {}
};

// Fills `swaps` and `ends` from a's route PA and b's route QB as the SWAP path search does:
// a's and b's moves alternate, and b's qubit stops one site before the meeting site. Throws
// InconsistentSwapPath when the two routes end on one site other than the meeting site.
void joinMoves(const std::vector<Location>& PA, const std::vector<Location>& QB, Location a,
               Location b, Location meet, SwapList& swaps, std::pair<Location, Location>& ends);
