#include "RouteSearch.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

// Short lists are searched linearly; longer ones through the hash index.
const std::size_t kLinearLimit = 16;

}  // namespace

int LookaheadSet::find(int qubit) const {
  if (qubits.size() <= kLinearLimit) {
    for (std::size_t k = 0; k < qubits.size(); ++k) {
      if (qubits[k] == qubit) return static_cast<int>(k);
    }
    return -1;
  }
  auto it = index_.find(qubit);
  return it == index_.end() ? -1 : it->second;
}

int LookaheadSet::enter(int qubit) {
  const int known = find(qubit);
  if (known >= 0) return known;
  const int k = static_cast<int>(qubits.size());
  qubits.push_back(qubit);
  if (qubits.size() == kLinearLimit + 1) {
    for (int i = 0; i <= k; ++i)
      index_[qubits[i]] = i;
  } else if (qubits.size() > kLinearLimit) {
    index_[qubit] = k;
  }
  return k;
}

void LookaheadSet::assign(const GateBuffer& buffer) {
  qubits.clear();
  gates.clear();
  index_.clear();
  for (const auto& gate : buffer) {
    const int u = enter(gate.first);
    const int v = enter(gate.second);
    // A gate of a qubit with itself always measures 0.
    if (u != v) gates.emplace_back(u, v);
  }
  const std::size_t n = qubits.size();
  sites.assign(n, Location{0, 0});
  placed.assign(n, 0);
  if (partners.size() < n) partners.resize(n);
  for (std::size_t k = 0; k < n; ++k)
    partners[k].clear();
  for (const auto& g : gates) {
    partners[g.first].push_back(g.second);
    partners[g.second].push_back(g.first);
  }
}

int LookaheadSet::atSite(Location site) const {
  for (std::size_t k = 0; k < qubits.size(); ++k) {
    if (placed[k] && sites[k] == site) return static_cast<int>(k);
  }
  return -1;
}

int LookaheadSet::cost(const std::vector<Location>& where) const {
  int sum = 0;
  for (const auto& g : gates)
    sum += dist(where[g.first], where[g.second]);
  return sum;
}

void RouteTree::weigh(const LookaheadSet& look) {
  for (std::size_t k = 0; k < look.qubits.size(); ++k) {
    if (!look.placed[k]) continue;
    const Location s = look.sites[k];
    const int i = (s.x - start_.x) * sx_;
    const int j = (s.y - start_.y) * sy_;
    if (i < 0 || i > nx_ || j < 0 || j > ny_ || i + j == 0) continue;
    const int id = j * (nx_ + 1) + i;
    lookAt_[id] = static_cast<int>(k);
    // Entering s by an x step leaves its qubit on byX, by a y step on byY. A partner stays
    // where it is: if it is moved too, the two moves together keep their distance, which the
    // partner's own weight makes up for. The traveller ends beyond s, one step farther off.
    const Location byX = site(i - 1, j);
    const Location byY = site(i, j - 1);
    int wx = 0;
    int wy = 0;
    for (int p : look.partners[k]) {
      if (p == traveller_) {
        ++wx;
        ++wy;
        continue;
      }
      const Location other = look.sites[p];
      wx += dist(byX, other) - dist(s, other);
      wy += dist(byY, other) - dist(s, other);
    }
    weightX_[id] = wx;
    weightY_[id] = wy;
  }
}

void RouteTree::build(Location start, Location corner, bool isTall, const LookaheadSet& look) {
  start_ = start;
  // The step signs of quadrantCode(start, corner).
  sx_ = corner.x < start.x ? -1 : 1;
  sy_ = corner.y >= start.y ? 1 : -1;
  nx_ = std::abs(corner.x - start.x);
  ny_ = std::abs(corner.y - start.y);
  xFirst_ = isTall;
  traveller_ = look.atSite(start);
  const std::size_t n = static_cast<std::size_t>(nx_ + 1) * (ny_ + 1);
  cost_.assign(n, 0);
  rank_.assign(n, 0);
  fromX_.assign(n, 0);
  weightX_.assign(n, 0);
  weightY_.assign(n, 0);
  lookAt_.assign(n, -1);
  weigh(look);

  const int row = nx_ + 1;
  for (int d = 1; d <= nx_ + ny_; ++d) {
    const int iLo = std::max(0, d - ny_);
    const int iHi = std::min(d, nx_);
    for (int i = iLo; i <= iHi; ++i) {
      const int j = d - i;
      const int id = j * row + i;
      const int viaX = i > 0 ? cost_[id - 1] + weightX_[id] : INT_MAX;
      const int viaY = j > 0 ? cost_[id - row] + weightY_[id] : INT_MAX;
      bool x;
      if (viaX != viaY) {
        x = viaX < viaY;
      } else {
        // Both steps are cheapest: the route that comes first in trail's order is the one
        // whose route to the site before it comes first.
        x = rank_[id - 1] < rank_[id - row];
      }
      fromX_[id] = x;
      cost_[id] = x ? viaX : viaY;
    }
    rankDiagonal(d);
  }
}

void RouteTree::rankDiagonal(int d) {
  // A route to a site at distance d is the route to its predecessor plus one step, so the
  // routes sort by the predecessor's rank and then by the step, trail's first step first.
  const int row = nx_ + 1;
  const int iLo = std::max(0, d - ny_);
  const int iHi = std::min(d, nx_);
  const int prevCount = std::min(d - 1, nx_) - std::max(0, d - 1 - ny_) + 1;
  slot_.assign(2 * prevCount, -1);
  for (int i = iLo; i <= iHi; ++i) {
    const int id = (d - i) * row + i;
    const bool x = fromX_[id];
    const int parentRank = x ? rank_[id - 1] : rank_[id - row];
    slot_[2 * parentRank + (x == xFirst_ ? 0 : 1)] = id;
  }
  int r = 0;
  for (int id : slot_) {
    if (id >= 0) rank_[id] = r++;
  }
}

void RouteTree::route(Location c, std::vector<Location>& out) const {
  const std::size_t first = out.size();
  int i = (c.x - start_.x) * sx_;
  int j = (c.y - start_.y) * sy_;
  out.push_back(c);
  while (i + j > 0) {
    if (fromX_[j * (nx_ + 1) + i]) {
      --i;
    } else {
      --j;
    }
    out.push_back(site(i, j));
  }
  std::reverse(out.begin() + static_cast<std::ptrdiff_t>(first), out.end());
}
