// The fast SWAP path search: shortestPath by cheapest-route trees, and the router's search over
// all meeting sites of one gate.
#include <algorithm>
#include <stdexcept>

#include "routing/MeetingSearch.h"
#include "routing/SwapPath.h"

Location endOfB(const RouteTree& fromB, const LookaheadSet& look, Location b, Location meet) {
  if (dist(b, meet) <= 1) return b;
  // b's route enters meet by an x step or by a y step, from one of these two sites.
  const int sx = meet.x < b.x ? -1 : 1;
  const int sy = meet.y >= b.y ? 1 : -1;
  Location ends[2];
  int count = 0;
  if (meet.x != b.x) ends[count++] = {meet.x - sx, meet.y};
  if (meet.y != b.y) ends[count++] = {meet.x, meet.y - sy};
  if (count == 1) return ends[0];
  // A route through either end costs its tree weights on top of the cost with b's qubit on
  // that end and every other qubit in place; of that, only the gates of b's qubit differ.
  int cost[2];
  const int traveller = fromB.traveller();
  for (int e = 0; e < 2; ++e) {
    cost[e] = fromB.cost(ends[e]);
    if (traveller < 0) continue;
    const std::vector<int>& partners = look.partners[traveller];
    for (std::size_t i = 0; i < partners.size(); ++i) {
      const int w = look.weights.empty() ? 1 : look.partnerWeights[traveller][i];
      cost[e] += w * dist(ends[e], look.sites[partners[i]]);
    }
  }
  if (cost[0] != cost[1]) return cost[0] < cost[1] ? ends[0] : ends[1];
  return fromB.before(ends[0], ends[1]) ? ends[0] : ends[1];
}

void routeOfB(const RouteTree& fromB, Location b, Location meet, Location end,
              std::vector<Location>& out) {
  fromB.route(end, out);
  if (b != meet) out.push_back(meet);
}

void joinMoves(const std::vector<Location>& PA, const std::vector<Location>& QB, Location a,
               Location b, Location meet, SwapList& swaps, std::pair<Location, Location>& ends) {
  swaps.clear();
  const int movesA = static_cast<int>(PA.size()) - 1;
  const int movesB = std::max(static_cast<int>(QB.size()) - 2, 0);
  for (int j = 0; j < movesA || j < movesB; ++j) {
    if (j < movesA) swaps.push_back({PA[j], PA[j + 1]});
    if (j < movesB) swaps.push_back({QB[j], QB[j + 1]});
  }
  ends.first = PA.size() >= 2 ? PA.back() : a;
  ends.second = QB.size() >= 3 ? QB[QB.size() - 2] : b;
  if (ends.first == ends.second) {
    if (b != meet) throw InconsistentSwapPath();
    if (PA.size() >= 2) ends.second = PA[PA.size() - 2];
  }
}

namespace {

// Look-ahead cost after applying `swaps` in order to `alloc`, tracking only the sites that
// change.
int costAfter(const SwapList& swaps, const AllocMatrix& alloc, const LookaheadSet& look) {
  std::vector<Location> where = look.sites;
  std::vector<std::pair<Location, int>> changed;  // sites with a new occupant
  auto occupant = [&](Location s) {
    for (const auto& c : changed) {
      if (c.first == s) return c.second;
    }
    return alloc[s.y][s.x];
  };
  auto put = [&](Location s, int q) {
    for (auto& c : changed) {
      if (c.first == s) {
        c.second = q;
        return;
      }
    }
    changed.emplace_back(s, q);
  };
  for (const Swap& s : swaps) {
    const int qp = occupant(s.first);
    const int qq = occupant(s.second);
    put(s.first, qq);
    put(s.second, qp);
    const int kp = qp == -1 ? -1 : look.find(qp);
    const int kq = qq == -1 ? -1 : look.find(qq);
    if (kp >= 0) where[kp] = s.second;
    if (kq >= 0) where[kq] = s.first;
  }
  return look.cost(where);
}

}  // namespace

double shortestPath(Location a, Location b, Location meet, SwapList& swaps,
                    std::pair<Location, Location>& ends, AllocMatrix& alloc,
                    GateBuffer& futureGates, bool isTall) {
  LookaheadSet look;
  look.assign(futureGates);
  // The sites of the buffer's qubits, by the row-major scan that builds the location map.
  for (int y = 0; y < static_cast<int>(alloc.size()); ++y) {
    for (int x = 0; x < static_cast<int>(alloc[y].size()); ++x) {
      const int q = alloc[y][x];
      const int k = q == -1 ? -1 : look.find(q);
      if (k < 0) continue;
      if (look.placed[k]) {
        throw std::invalid_argument("shortestPath needs every buffered qubit on one site at most");
      }
      look.placed[k] = 1;
      look.sites[k] = {x, y};
    }
  }
  RouteTree fromA;
  fromA.build(a, meet, isTall, look);
  std::vector<Location> PA;
  fromA.route(meet, PA);

  RouteTree fromB;
  fromB.build(b, meet, isTall, look);
  std::vector<Location> QB;
  routeOfB(fromB, b, meet, endOfB(fromB, look, b, meet), QB);

  joinMoves(PA, QB, a, b, meet, swaps, ends);
  // The cost after a's moves and then b's, which the interleaved order of `swaps` equals
  // only when the two routes are apart.
  SwapList ordered;
  for (std::size_t j = 0; j + 1 < PA.size(); ++j)
    ordered.push_back({PA[j], PA[j + 1]});
  for (std::size_t j = 0; j + 2 < QB.size(); ++j)
    ordered.push_back({QB[j], QB[j + 1]});
  return costAfter(ordered, alloc, look);
}

void MeetingSearch::moveAlong(const RouteTree& tree, Location c) {
  if (!tree.hasMasks()) {
    tree.forEachMoved(c, [&](int k, Location to) { where_[k] = to; });
    return;
  }
  for (std::uint64_t moved = tree.movedBy(c); moved != 0; moved &= moved - 1)
    where_[__builtin_ctzll(moved)] = tree.movedTo(__builtin_ctzll(moved));
}

double MeetingSearch::route(Location a, Location b, bool isTall, const LookaheadSet& look,
                            SwapList& swaps, std::pair<Location, Location>& ends) {
  meetingSites(a, b, isTall, candidates_);
  fromA_.build(a, b, isTall, look);
  fromB_.build(b, a, isTall, look);
  const int travellerA = fromA_.traveller();
  const int travellerB = fromB_.traveller();
  double bestCost = 2147483647.0;
  std::size_t chosen = 0;
  double chosenCost = 0.0;
  Location chosenEndB = b;
  for (std::size_t c = 0; c < candidates_.size(); ++c) {
    const Location meet = candidates_[c];
    const Location endB = endOfB(fromB_, look, b, meet);
    // Every candidate lies in the gate's rectangle, so a's route (a to meet) and b's (b to
    // endB) share no site and each moves the qubits of its own route only.
    where_ = look.sites;
    if (travellerA >= 0) where_[travellerA] = meet;
    moveAlong(fromA_, meet);
    // b's qubit moves when meet is two or more steps away; on meet, a's route has moved it.
    if (dist(b, meet) >= 2) {
      if (travellerB >= 0) where_[travellerB] = endB;
      moveAlong(fromB_, endB);
    }
    const double cost = look.cost(where_);
    // The first candidate with the smallest cost wins; the first one by default.
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
  routeOfB(fromB_, b, meet, chosenEndB, routeB_);
  joinMoves(routeA_, routeB_, a, b, meet, swaps, ends);
  return chosenCost;
}
