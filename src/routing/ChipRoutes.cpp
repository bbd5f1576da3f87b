#include "routing/ChipRoutes.h"

#include <algorithm>
#include <climits>

#include "routing/SwapPath.h"

int chipStepRank(Location from, Location to, Location start, Location far, bool isTall) {
  // The step signs of quadrantCode(start, far).
  const int qx = far.x < start.x ? -1 : 1;
  const int qy = far.y >= start.y ? 1 : -1;
  const bool alongX = to.y == from.y;
  const bool towards = alongX ? (to.x - from.x) == qx : (to.y - from.y) == qy;
  const bool main = alongX == isTall;
  return (towards ? 0 : 2) + (main ? 0 : 1);
}

void ChipInterval::find(const Chip& chip, Location a, Location b) {
  sites_.clear();
  starts_.clear();
  const std::size_t cells = static_cast<std::size_t>(chip.width()) * chip.height();
  if (seen_.size() != cells || ++search_ == 0) {
    seen_.assign(cells, 0);
    search_ = 1;
  }
  const int total = chip.distance(a, b);
  if (total >= Chip::kUnreachable) return;
  auto meet = [&](Location s) {
    unsigned& mark = seen_[static_cast<std::size_t>(s.y) * chip.width() + s.x];
    if (mark == search_) return;
    mark = search_;
    sites_.push_back(s);
  };
  meet(a);
  starts_.push_back(0);
  // On a chip with holes both distances come from the table rows of a and b.
  const std::uint16_t* fromA = chip.full() ? nullptr : chip.distancesFrom(chip.rankOf(a));
  const std::uint16_t* fromB = chip.full() ? nullptr : chip.distancesFrom(chip.rankOf(b));
  // Each layer is the next distance from a; a site joins once, from the first site it meets.
  for (int k = 1; k <= total; ++k) {
    const std::size_t begin = starts_.back();
    const std::size_t end = sites_.size();
    starts_.push_back(end);
    for (std::size_t i = begin; i < end; ++i) {
      const std::vector<Location>& around = chip.neighbours(sites_[i]);
      const std::vector<int>& ranks = chip.neighbourRanks(sites_[i]);
      for (std::size_t j = 0; j < around.size(); ++j) {
        const bool between =
            fromA ? fromB[ranks[j]] == total - k && fromA[ranks[j]] == k
                  : chip.distance(around[j], b) == total - k && chip.distance(a, around[j]) == k;
        if (between) meet(around[j]);
      }
    }
  }
  starts_.push_back(sites_.size());
}

void chipMeetingSites(const ChipInterval& interval, Location a, Location b, bool isTall,
                      std::vector<Location>& out) {
  out.clear();
  const std::vector<Location>& sites = interval.sites();
  const std::vector<std::size_t>& starts = interval.starts();
  const int layers = static_cast<int>(starts.size()) - 1;
  if (layers <= 0) return;
  const int n = layers;  // the distance of a and b, plus one
  const int m = n / 2;
  const int sx = b.x > a.x ? 1 : -1;
  const int sy = b.y > a.y ? 1 : -1;
  // The key of a site within its distance from a: the grid's walk order, then the other axis.
  auto key = [&](Location c) {
    const int alongX = sx * (c.x - a.x);
    const int alongY = sy * (c.y - a.y);
    return isTall ? std::make_pair(alongX, alongY) : std::make_pair(alongY, alongX);
  };
  int v = m;
  for (int i = 0; i <= n; ++i) {
    v += i % 2 == 0 ? i : -i;
    if (v < 0 || v >= layers) continue;
    const std::size_t first = out.size();
    out.insert(out.end(), sites.begin() + static_cast<std::ptrdiff_t>(starts[v]),
               sites.begin() + static_cast<std::ptrdiff_t>(starts[v + 1]));
    std::sort(out.begin() + static_cast<std::ptrdiff_t>(first), out.end(),
              [&](Location c, Location d) { return key(c) < key(d); });
  }
}

int ChipRouteTree::travellerGates(const Chip& chip, const LookaheadSet& look, Location at) const {
  if (traveller_ < 0) return 0;
  int sum = 0;
  if (!travellerRows_.empty()) {
    const int r = chip.rankOf(at);
    for (const auto& [row, w] : travellerRows_)
      sum += w * row[r];
    return sum;
  }
  const std::vector<int>& partners = look.partners[traveller_];
  for (std::size_t i = 0; i < partners.size(); ++i) {
    const int w = look.weights.empty() ? 1 : look.partnerWeights[traveller_][i];
    sum += w * chip.distance(at, look.sites[partners[i]]);
  }
  return sum;
}

int ChipRouteTree::weight(const Chip& chip, const LookaheadSet& look, int i, Location from) const {
  const Cell& cell = cells_[i];
  if (cell.look < 0) return 0;
  // As RouteTree::weigh: the qubit on the cell moves back to `from`; a partner counts from its
  // own site, and the traveller ends beyond the cell, one step farther off.
  int sum = 0;
  const std::vector<int>& partners = look.partners[cell.look];
  for (std::size_t p = 0; p < partners.size(); ++p) {
    const int w = look.weights.empty() ? 1 : look.partnerWeights[cell.look][p];
    if (partners[p] == traveller_) {
      sum += w;
      continue;
    }
    const Location other = look.sites[partners[p]];
    sum += w * (chip.distance(from, other) - chip.distance(cell.site, other));
  }
  return sum;
}

void ChipRouteTree::build(const Chip& chip, const ChipInterval& interval, bool fromStart,
                          bool entries, Location start, Location far, bool isTall,
                          const LookaheadSet& look) {
  if (width_ != chip.width() || height_ != chip.height()) {
    width_ = chip.width();
    height_ = chip.height();
    index_.assign(static_cast<std::size_t>(width_) * height_, -1);
  } else {
    for (int t : touched_)
      index_[t] = -1;
  }
  touched_.clear();
  cells_.clear();
  traveller_ = look.atSite(start);
  masks_ = look.qubits.size() <= 64;
  movedTo_.resize(look.qubits.size());

  // The interval's layers, nearest the start first: as found, or backwards from the far end.
  const std::vector<Location>& sites = interval.sites();
  const std::vector<std::size_t>& starts = interval.starts();
  const int layers = static_cast<int>(starts.size()) - 1;
  std::vector<std::size_t>& layerStart = layerStart_;
  layerStart.clear();
  for (int k = 0; k < layers; ++k) {
    const int from = fromStart ? k : layers - 1 - k;
    layerStart.push_back(cells_.size());
    for (std::size_t i = starts[from]; i < starts[from + 1]; ++i) {
      Cell cell;
      cell.site = sites[i];
      cell.layer = k;
      const int id = cell.site.y * width_ + cell.site.x;
      index_[id] = static_cast<int>(cells_.size());
      touched_.push_back(id);
      cells_.push_back(cell);
    }
  }
  layerStart.push_back(cells_.size());
  // The traveller's partners' rows of the distance table, when all of them stand on qubits of a
  // chip with holes.
  travellerRows_.clear();
  if (entries && traveller_ >= 0 && !chip.full()) {
    const std::vector<int>& partners = look.partners[traveller_];
    for (std::size_t i = 0; i < partners.size(); ++i) {
      const int r = look.placed[partners[i]] ? chip.rankOf(look.sites[partners[i]]) : -1;
      if (r < 0) {
        travellerRows_.clear();
        break;
      }
      travellerRows_.emplace_back(chip.distancesFrom(r),
                                  look.weights.empty() ? 1 : look.partnerWeights[traveller_][i]);
    }
  }
  if (entries && !cells_.empty()) cells_[0].arrival = travellerGates(chip, look, start);
  for (std::size_t k = 0; k < look.qubits.size(); ++k) {
    if (!look.placed[k] || look.sites[k] == start) continue;
    const int i = cellOf(look.sites[k]);
    if (i >= 0) cells_[i].look = static_cast<int>(k);
  }
  // Each layer's routes extend the last layer's.
  for (int k = 1; k < layers; ++k) {
    layer_.clear();
    for (std::size_t i = layerStart[k]; i < layerStart[k + 1]; ++i) {
      Cell& cell = cells_[i];
      int best = INT_MAX;
      int bestArrival = INT_MAX;
      for (Location p : chip.neighbours(cell.site)) {
        // A neighbour lies on the grid, so its index needs no bounds check.
        const int pi = index_[static_cast<std::size_t>(p.y) * width_ + p.x];
        if (pi < 0 || cells_[pi].layer != k - 1) continue;
        const int value =
            cells_[pi].cost + (cell.look < 0 ? 0 : weight(chip, look, static_cast<int>(i), p));
        if (value < best ||
            (value == best && cell.parent >= 0 && cells_[pi].order < cells_[cell.parent].order)) {
          best = value;
          cell.parent = pi;
        }
        if (entries &&
            (cells_[pi].arrival < bestArrival ||
             (cells_[pi].arrival == bestArrival && cells_[pi].order < cells_[cell.entry].order))) {
          bestArrival = cells_[pi].arrival;
          cell.entry = pi;
        }
      }
      cell.cost = best;
      if (entries) cell.arrival = best + travellerGates(chip, look, cell.site);
      const Cell& parent = cells_[cell.parent];
      if (masks_) {
        cell.moved = parent.moved;
        if (cell.look >= 0) {
          cell.moved |= std::uint64_t{1} << cell.look;
          movedTo_[cell.look] = parent.site;
        }
      }
      // The routes of a layer in step order: by their parents' order, then by the last step.
      layer_.push_back({{parent.order, chipStepRank(parent.site, cell.site, start, far, isTall)},
                        static_cast<int>(i)});
    }
    std::sort(layer_.begin(), layer_.end());
    for (std::size_t r = 0; r < layer_.size(); ++r)
      cells_[layer_[r].second].order = static_cast<int>(r);
  }
}

void ChipRouteTree::route(Location c, std::vector<Location>& out) const {
  const std::size_t first = out.size();
  for (int i = cellOf(c); i >= 0; i = cells_[i].parent)
    out.push_back(cells_[i].site);
  std::reverse(out.begin() + static_cast<std::ptrdiff_t>(first), out.end());
}

namespace {

// b's whole route to `meet` through `end`, endOfB's choice: b alone when b is `meet`.
void routeOfChipB(const ChipRouteTree& fromB, Location b, Location meet, Location end,
                  std::vector<Location>& out) {
  fromB.route(end, out);
  if (b != meet) out.push_back(meet);
}

}  // namespace

Location ChipMeetingSearch::endOfB(const Chip& chip, Location b, Location meet) {
  if (chip.distance(b, meet) <= 1) return b;
  return fromB_.entryOf(meet);
}

int ChipMeetingSearch::rankedCost(const Chip& chip, const LookaheadSet& look) {
  ranks_.resize(where_.size());
  for (std::size_t k = 0; k < where_.size(); ++k)
    ranks_[k] = chip.rankOf(where_[k]);
  int sum = 0;
  for (std::size_t g = 0; g < look.gates.size(); ++g) {
    const int w = look.weights.empty() ? 1 : look.weights[g];
    sum += w * chip.distancesFrom(ranks_[look.gates[g].first])[ranks_[look.gates[g].second]];
  }
  return sum;
}

double ChipMeetingSearch::route(const Chip& chip, Location a, Location b, bool isTall,
                                const LookaheadSet& look, SwapList& swaps,
                                std::pair<Location, Location>& ends) {
  interval_.find(chip, a, b);
  chipMeetingSites(interval_, a, b, isTall, candidates_);
  if (candidates_.empty()) throw InconsistentSwapPath();
  fromA_.build(chip, interval_, true, false, a, b, isTall, look);
  fromB_.build(chip, interval_, false, true, b, a, isTall, look);
  const int travellerA = fromA_.traveller();
  const int travellerB = fromB_.traveller();
  double bestCost = 2147483647.0;
  std::size_t chosen = 0;
  double chosenCost = 0.0;
  Location chosenEndB = b;
  // With every look-ahead qubit on a qubit of a chip with holes, the gates are priced from the
  // distance table by the sites' positions among the live sites.
  bool ranked = !chip.full();
  for (std::size_t k = 0; k < look.qubits.size() && ranked; ++k)
    ranked = look.placed[k] && chip.rankOf(look.sites[k]) >= 0;
  for (std::size_t c = 0; c < candidates_.size(); ++c) {
    const Location meet = candidates_[c];
    const Location endB = endOfB(chip, b, meet);
    // a's route and b's route share no site, so each moves the qubits of its own route only.
    where_ = look.sites;
    if (travellerA >= 0) where_[travellerA] = meet;
    fromA_.forEachMoved(meet, [&](int k, Location to) { where_[k] = to; });
    if (chip.distance(b, meet) >= 2) {
      if (travellerB >= 0) where_[travellerB] = endB;
      fromB_.forEachMoved(endB, [&](int k, Location to) { where_[k] = to; });
    }
    const double cost = ranked ? rankedCost(chip, look) : look.cost(where_);
    if (cost < bestCost || c == 0) {
      if (cost < bestCost) bestCost = cost;
      chosen = c;
      chosenCost = cost;
      chosenEndB = endB;
    }
  }
  const Location meet = candidates_[chosen];
  routeA_.clear();
  fromA_.route(meet, routeA_);
  routeB_.clear();
  routeOfChipB(fromB_, b, meet, chosenEndB, routeB_);
  joinMoves(routeA_, routeB_, a, b, meet, swaps, ends);
  return chosenCost;
}
