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

void chipInterval(const Chip& chip, Location a, Location b, std::vector<Location>& out) {
  out.clear();
  const int total = chip.distance(a, b);
  if (total >= Chip::kUnreachable) return;
  out.push_back(a);
  // Each layer is the next distance from a; a site joins once, from the first site it meets.
  for (std::size_t begin = 0, end = 1; begin < end; begin = end, end = out.size()) {
    for (std::size_t i = begin; i < end; ++i) {
      const int k = chip.distance(a, out[i]) + 1;
      for (Location n : chip.neighbours(out[i])) {
        if (chip.distance(a, n) != k || chip.distance(n, b) != total - k) continue;
        if (std::find(out.begin() + static_cast<std::ptrdiff_t>(end), out.end(), n) == out.end()) {
          out.push_back(n);
        }
      }
    }
  }
}

void chipMeetingSites(const Chip& chip, Location a, Location b, bool isTall,
                      std::vector<Location>& out) {
  std::vector<Location> interval;
  chipInterval(chip, a, b, interval);
  const int n = chip.distance(a, b) + 1;
  const int m = n / 2;
  const int sx = b.x > a.x ? 1 : -1;
  const int sy = b.y > a.y ? 1 : -1;
  // The key of a site within its distance from a: the grid's walk order, then the other axis.
  auto key = [&](Location c) {
    const int alongX = sx * (c.x - a.x);
    const int alongY = sy * (c.y - a.y);
    return isTall ? std::make_pair(alongX, alongY) : std::make_pair(alongY, alongX);
  };
  std::stable_sort(interval.begin(), interval.end(), [&](Location c, Location d) {
    const int dc = chip.distance(a, c);
    const int dd = chip.distance(a, d);
    if (dc != dd) return dc < dd;
    return key(c) < key(d);
  });
  out.clear();
  int v = m;
  for (int i = 0; i <= n; ++i) {
    v += i % 2 == 0 ? i : -i;
    if (v < 0 || v > n) continue;
    for (Location c : interval) {
      if (chip.distance(a, c) == v) out.push_back(c);
    }
  }
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

void ChipRouteTree::build(const Chip& chip, Location start, Location far, bool isTall,
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

  std::vector<Location> sites;
  chipInterval(chip, start, far, sites);
  for (Location s : sites) {
    Cell cell;
    cell.site = s;
    cell.layer = chip.distance(start, s);
    const int id = s.y * width_ + s.x;
    index_[id] = static_cast<int>(cells_.size());
    touched_.push_back(id);
    cells_.push_back(cell);
  }
  for (std::size_t k = 0; k < look.qubits.size(); ++k) {
    if (!look.placed[k] || look.sites[k] == start) continue;
    const int i = cellOf(look.sites[k]);
    if (i >= 0) cells_[i].look = static_cast<int>(k);
  }
  // chipInterval lists the sites layer by layer; each layer's routes extend the last layer's.
  std::vector<int> layer;
  for (std::size_t begin = 1; begin < cells_.size();) {
    std::size_t end = begin;
    while (end < cells_.size() && cells_[end].layer == cells_[begin].layer)
      ++end;
    layer.clear();
    for (std::size_t i = begin; i < end; ++i) {
      Cell& cell = cells_[i];
      int best = INT_MAX;
      for (Location p : chip.neighbours(cell.site)) {
        const int pi = cellOf(p);
        if (pi < 0 || cells_[pi].layer != cell.layer - 1) continue;
        const int value = cells_[pi].cost + weight(chip, look, static_cast<int>(i), p);
        if (value < best ||
            (value == best && cell.parent >= 0 && cells_[pi].order < cells_[cell.parent].order)) {
          best = value;
          cell.parent = pi;
        }
      }
      cell.cost = best;
      layer.push_back(static_cast<int>(i));
    }
    // The routes of a layer in step order: by their parents' order, then by the last step.
    auto rank = [&](int i) {
      const Cell& parent = cells_[cells_[i].parent];
      return std::make_pair(parent.order,
                            chipStepRank(parent.site, cells_[i].site, start, far, isTall));
    };
    std::sort(layer.begin(), layer.end(), [&](int i, int j) { return rank(i) < rank(j); });
    for (std::size_t r = 0; r < layer.size(); ++r)
      cells_[layer[r]].order = static_cast<int>(r);
    begin = end;
  }
}

void ChipRouteTree::route(Location c, std::vector<Location>& out) const {
  const std::size_t first = out.size();
  for (int i = cellOf(c); i >= 0; i = cells_[i].parent)
    out.push_back(cells_[i].site);
  std::reverse(out.begin() + static_cast<std::ptrdiff_t>(first), out.end());
}

void ChipRouteTree::entries(const Chip& chip, Location c, std::vector<Location>& out) const {
  out.clear();
  const int i = cellOf(c);
  if (i < 0) return;
  for (Location p : chip.neighbours(c)) {
    const int pi = cellOf(p);
    if (pi >= 0 && cells_[pi].layer == cells_[i].layer - 1) out.push_back(p);
  }
}

namespace {

// b's whole route to `meet` through `end`, endOfB's choice: b alone when b is `meet`.
void routeOfChipB(const ChipRouteTree& fromB, Location b, Location meet, Location end,
                  std::vector<Location>& out) {
  fromB.route(end, out);
  if (b != meet) out.push_back(meet);
}

}  // namespace

Location ChipMeetingSearch::endOfB(const Chip& chip, const LookaheadSet& look, Location b,
                                   Location meet) {
  if (chip.distance(b, meet) <= 1) return b;
  fromB_.entries(chip, meet, entries_);
  // A route through an entry costs its tree weights on top of the cost with b's qubit on that
  // entry and every other qubit in place; of that, only the gates of b's qubit differ.
  const int traveller = fromB_.traveller();
  Location best = entries_.front();
  int bestCost = INT_MAX;
  for (Location e : entries_) {
    int cost = fromB_.cost(e);
    if (traveller >= 0) {
      const std::vector<int>& partners = look.partners[traveller];
      for (std::size_t i = 0; i < partners.size(); ++i) {
        const int w = look.weights.empty() ? 1 : look.partnerWeights[traveller][i];
        cost += w * chip.distance(e, look.sites[partners[i]]);
      }
    }
    if (cost < bestCost || (cost == bestCost && fromB_.before(e, best))) {
      bestCost = cost;
      best = e;
    }
  }
  return best;
}

double ChipMeetingSearch::route(const Chip& chip, Location a, Location b, bool isTall,
                                const LookaheadSet& look, SwapList& swaps,
                                std::pair<Location, Location>& ends) {
  chipMeetingSites(chip, a, b, isTall, candidates_);
  if (candidates_.empty()) throw InconsistentSwapPath();
  fromA_.build(chip, a, b, isTall, look);
  fromB_.build(chip, b, a, isTall, look);
  const int travellerA = fromA_.traveller();
  const int travellerB = fromB_.traveller();
  double bestCost = 2147483647.0;
  std::size_t chosen = 0;
  double chosenCost = 0.0;
  Location chosenEndB = b;
  for (std::size_t c = 0; c < candidates_.size(); ++c) {
    const Location meet = candidates_[c];
    const Location endB = endOfB(chip, look, b, meet);
    // a's route and b's route share no site, so each moves the qubits of its own route only.
    where_ = look.sites;
    if (travellerA >= 0) where_[travellerA] = meet;
    fromA_.forEachMoved(meet, [&](int k, Location to) { where_[k] = to; });
    if (chip.distance(b, meet) >= 2) {
      if (travellerB >= 0) where_[travellerB] = endB;
      fromB_.forEachMoved(endB, [&](int k, Location to) { where_[k] = to; });
    }
    const double cost = look.cost(where_);
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
