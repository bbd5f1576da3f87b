#include "routing/ChipRoutes.h"

#include <algorithm>
#include <array>
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
  nodes_.clear();
  starts_.clear();
  const std::size_t live = static_cast<std::size_t>(chip.liveCount());
  if (mark_.size() != live || ++search_ == 0) {
    mark_.assign(live, 0);
    position_.assign(live, -1);
    search_ = 1;
  }
  const int total = chip.distance(a, b);
  if (total >= Chip::kUnreachable) return;
  auto meet = [&](int r, int k) {
    const int i = static_cast<int>(nodes_.size());
    mark_[r] = search_;
    position_[r] = i;
    Node node;
    node.site = chip.siteOfRank(r);
    node.rank = r;
    node.layer = k;
    nodes_.push_back(node);
    return i;
  };
  const int ra = chip.rankOf(a);
  meet(ra, 0);
  starts_.push_back(0);
  // On a chip with holes the distances from b come from its row of the table.
  const std::uint16_t* fromB = chip.full() ? nullptr : chip.distancesFrom(chip.rankOf(b));
  // Each layer is the next distance from a; a site joins once, from the first site it meets,
  // and every step between two layers is kept from both ends.
  for (int k = 1; k <= total; ++k) {
    const int begin = starts_.back();
    const int end = static_cast<int>(nodes_.size());
    starts_.push_back(end);
    for (int i = begin; i < end; ++i) {
      const std::array<int, 4>& around = chip.aroundRank(nodes_[i].rank);
      for (int d = 0; d < 4; ++d) {
        const int t = around[d];
        if (t < 0) continue;
        // A neighbour of a site k - 1 steps from a lies at most k steps from a, and at least
        // k when it is total - k from b: that distance from b alone puts it on the interval.
        const int toB = fromB ? fromB[t] : chip.distance(chip.siteOfRank(t), b);
        if (toB != total - k) continue;
        const int j = mark_[t] == search_ ? position_[t] : meet(t, k);
        nodes_[i].steps[1][d] = j;
        nodes_[j].steps[0][d ^ 1] = i;
      }
    }
  }
  starts_.push_back(static_cast<int>(nodes_.size()));
}

void ChipMeetingSearch::meetingSites(Location a, Location b, bool isTall) {
  const ChipInterval& interval = interval_;
  std::vector<int>& out = candidates_;
  out.clear();
  keys_.clear();
  const int layers = interval.layers();
  if (layers <= 0) return;
  const int n = layers;  // the distance of a and b, plus one
  const int m = n / 2;
  const int sx = b.x > a.x ? 1 : -1;
  const int sy = b.y > a.y ? 1 : -1;
  // The key of a site within its distance from a: the grid's walk order, then the other axis
  // (each below the grid's largest side in size).
  auto key = [&](int i) {
    const Location c = interval.site(i);
    const int alongX = sx * (c.x - a.x);
    const int alongY = sy * (c.y - a.y);
    return isTall ? alongX * 1024 + alongY : alongY * 1024 + alongX;
  };
  int v = m;
  for (int i = 0; i <= n; ++i) {
    v += i % 2 == 0 ? i : -i;
    if (v < 0 || v >= layers) continue;
    // Insertion by key: the layers are short, and often met nearly in order.
    const std::size_t first = out.size();
    for (int j = interval.layerStart(v); j < interval.layerStart(v + 1); ++j) {
      const int k = key(j);
      std::size_t at = out.size();
      out.push_back(j);
      keys_.push_back(k);
      for (; at > first && keys_[at - 1] > k; --at) {
        out[at] = out[at - 1];
        keys_[at] = keys_[at - 1];
      }
      out[at] = j;
      keys_[at] = k;
    }
  }
}

int ChipRouteTree::travellerGatesBySite(const Chip& chip, const LookaheadSet& look,
                                        Location at) const {
  int sum = 0;
  const std::vector<int>& partners = look.partners[traveller_];
  for (std::size_t p = 0; p < partners.size(); ++p) {
    const int w = look.weights.empty() ? 1 : look.partnerWeights[traveller_][p];
    sum += w * chip.distance(at, look.sites[partners[p]]);
  }
  return sum;
}

int ChipRouteTree::weight(const Chip& chip, const LookaheadSet& look, int k, Location at,
                          Location from) const {
  // As RouteTree::weigh: the qubit on `at` moves back to `from`; a partner counts from its own
  // site, and the traveller ends beyond `at`, one step farther off.
  int sum = 0;
  const std::vector<int>& partners = look.partners[k];
  for (std::size_t p = 0; p < partners.size(); ++p) {
    const int w = look.weights.empty() ? 1 : look.partnerWeights[k][p];
    if (partners[p] == traveller_) {
      sum += w;
      continue;
    }
    const Location other = look.sites[partners[p]];
    sum += w * (chip.distance(from, other) - chip.distance(at, other));
  }
  return sum;
}

void ChipRouteTree::build(const Chip& chip, const ChipInterval& interval, bool fromStart,
                          bool entries, Location start, Location far, bool isTall,
                          const LookaheadSet& look) {
  const int layers = interval.layers();
  cells_.assign(static_cast<std::size_t>(interval.size()), Cell());
  traveller_ = look.atSite(start);
  masks_ = look.qubits.size() <= 64;
  movedTo_.resize(look.qubits.size());
  if (layers <= 0) return;
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
  for (std::size_t k = 0; k < look.qubits.size(); ++k) {
    if (!look.placed[k] || look.sites[k] == start) continue;
    const int i = interval.positionOf(chip.rankOf(look.sites[k]));
    if (i >= 0) cells_[i].look = static_cast<int>(k);
  }
  // The directions by their step rank, first in step order first.
  int byRank[4];
  for (int d = 0; d < 4; ++d) {
    const Location to{d == Chip::kStepLeft    ? -1
                      : d == Chip::kStepRight ? 1
                                              : 0,
                      d == Chip::kStepUp     ? -1
                      : d == Chip::kStepDown ? 1
                                             : 0};
    byRank[chipStepRank({0, 0}, to, start, far, isTall)] = d;
  }
  const int root = fromStart ? 0 : interval.size() - 1;
  if (entries) cells_[root].arrival = travellerGates(chip, interval, look, root);
  byOrder_.assign(1, root);
  // Each layer's routes extend the last layer's.
  for (int k = 1; k < layers; ++k) {
    const int layer = fromStart ? k : layers - 1 - k;
    for (int i = interval.layerStart(layer); i < interval.layerStart(layer + 1); ++i) {
      Cell& cell = cells_[i];
      int best = INT_MAX;
      int bestArrival = INT_MAX;
      // The sites a route enters i from: one step nearer the start.
      const int* before = interval.steps(i, !fromStart);
      for (int d = 0; d < 4; ++d) {
        const int p = before[d];
        if (p < 0) continue;
        const Cell& from = cells_[p];
        const int value =
            from.cost +
            (cell.look < 0 ? 0 : weight(chip, look, cell.look, interval.site(i), interval.site(p)));
        if (value < best || (value == best && from.order < cells_[cell.parent].order)) {
          best = value;
          cell.parent = p;
        }
        if (entries && (from.arrival < bestArrival ||
                        (from.arrival == bestArrival && from.order < cells_[cell.entry].order))) {
          bestArrival = from.arrival;
          cell.entry = p;
        }
      }
      cell.cost = best;
      if (entries) cell.arrival = best + travellerGates(chip, interval, look, i);
      if (masks_) {
        cell.moved = cells_[cell.parent].moved;
        if (cell.look >= 0) {
          cell.moved |= std::uint64_t{1} << cell.look;
          movedTo_[cell.look] = cell.parent;
        }
      }
    }
    // The routes of a layer in step order: by their parents' order, then by the last step; a
    // layer of one site needs no walk.
    nextOrder_.clear();
    if (interval.layerStart(layer + 1) - interval.layerStart(layer) == 1) {
      nextOrder_.push_back(interval.layerStart(layer));
    } else {
      for (int p : byOrder_) {
        const int* after = interval.steps(p, fromStart);
        for (int d : byRank) {
          const int c = after[d];
          if (c < 0 || cells_[c].parent != p) continue;
          cells_[c].order = static_cast<int>(nextOrder_.size());
          nextOrder_.push_back(c);
        }
      }
    }
    byOrder_.swap(nextOrder_);
  }
}

void ChipRouteTree::route(const ChipInterval& interval, int i, std::vector<Location>& out) const {
  const std::size_t first = out.size();
  for (; i >= 0; i = cells_[i].parent)
    out.push_back(interval.site(i));
  std::reverse(out.begin() + static_cast<std::ptrdiff_t>(first), out.end());
}

int ChipMeetingSearch::rankedCost(const Chip& chip, const LookaheadSet& look) const {
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
  meetingSites(a, b, isTall);
  if (candidates_.empty()) throw InconsistentSwapPath();
  fromA_.build(chip, interval_, true, false, a, b, isTall, look);
  fromB_.build(chip, interval_, false, true, b, a, isTall, look);
  const int travellerA = fromA_.traveller();
  const int travellerB = fromB_.traveller();
  const int total = interval_.layers() - 1;
  const int atB = interval_.size() - 1;
  double bestCost = 2147483647.0;
  std::size_t chosen = 0;
  double chosenCost = 0.0;
  int chosenEndB = atB;
  // With every look-ahead qubit on a qubit of a chip with holes, the gates are priced from the
  // distance table by the sites' positions among the live sites.
  bool ranked = !chip.full();
  baseRanks_.resize(look.qubits.size());
  for (std::size_t k = 0; k < look.qubits.size() && ranked; ++k) {
    baseRanks_[k] = look.placed[k] ? chip.rankOf(look.sites[k]) : -1;
    ranked = baseRanks_[k] >= 0;
  }
  if (ranked) ranks_ = baseRanks_;
  for (std::size_t c = 0; c < candidates_.size(); ++c) {
    const int meet = candidates_[c];
    // b's qubit ends beside the meeting site, on its own site when it is at most a step away.
    const bool bMoves = total - interval_.layer(meet) >= 2;
    const int endB = bMoves ? fromB_.entryOf(meet) : atB;
    // a's route and b's route share no site, so each moves the qubits of its own route only.
    double cost;
    if (ranked) {
      // The moves go into ranks_ and are taken back once priced.
      moved_.clear();
      auto move = [&](int k, int to) {
        ranks_[k] = interval_.rank(to);
        moved_.push_back(k);
      };
      if (travellerA >= 0) move(travellerA, meet);
      fromA_.forEachMoved(meet, move);
      if (bMoves) {
        if (travellerB >= 0) move(travellerB, endB);
        fromB_.forEachMoved(endB, move);
      }
      cost = rankedCost(chip, look);
      for (int k : moved_)
        ranks_[k] = baseRanks_[k];
    } else {
      where_ = look.sites;
      if (travellerA >= 0) where_[travellerA] = interval_.site(meet);
      fromA_.forEachMoved(meet, [&](int k, int to) { where_[k] = interval_.site(to); });
      if (bMoves) {
        if (travellerB >= 0) where_[travellerB] = interval_.site(endB);
        fromB_.forEachMoved(endB, [&](int k, int to) { where_[k] = interval_.site(to); });
      }
      cost = look.cost(where_);
    }
    if (cost < bestCost || c == 0) {
      if (cost < bestCost) bestCost = cost;
      chosen = c;
      chosenCost = cost;
      chosenEndB = endB;
    }
  }
  const int meet = candidates_[chosen];
  const Location meetSite = interval_.site(meet);
  routeA_.clear();
  fromA_.route(interval_, meet, routeA_);
  routeB_.clear();
  fromB_.route(interval_, chosenEndB, routeB_);
  if (b != meetSite) routeB_.push_back(meetSite);
  joinMoves(routeA_, routeB_, a, b, meetSite, swaps, ends);
  return chosenCost;
}
