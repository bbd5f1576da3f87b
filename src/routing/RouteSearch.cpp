#include "routing/RouteSearch.h"

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

void LookaheadSet::assign(const GateBuffer& buffer, Weighting weighting) {
  qubits.clear();
  gates.clear();
  weights.clear();
  index_.clear();
  std::size_t k = 0;  // the gate's position in the buffer
  for (const auto& gate : buffer) {
    const int u = enter(gate.first);
    const int v = enter(gate.second);
    // A gate of a qubit with itself always measures 0.
    if (u != v) {
      gates.emplace_back(u, v);
      if (weighting != Weighting::kEven) weights.push_back(gateWeight(weighting, k, buffer.size()));
    }
    ++k;
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
  if (weights.empty()) {
    partnerWeights.clear();
    return;
  }
  if (partnerWeights.size() < n) partnerWeights.resize(n);
  for (std::size_t k = 0; k < n; ++k)
    partnerWeights[k].clear();
  for (std::size_t g = 0; g < gates.size(); ++g) {
    partnerWeights[gates[g].first].push_back(weights[g]);
    partnerWeights[gates[g].second].push_back(weights[g]);
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
  if (chip) {
    for (std::size_t g = 0; g < gates.size(); ++g) {
      const int w = weights.empty() ? 1 : weights[g];
      sum += w * chip->distance(where[gates[g].first], where[gates[g].second]);
    }
    return sum;
  }
  if (weights.empty()) {
    for (const auto& g : gates)
      sum += dist(where[g.first], where[g.second]);
    return sum;
  }
  for (std::size_t g = 0; g < gates.size(); ++g)
    sum += weights[g] * dist(where[gates[g].first], where[gates[g].second]);
  return sum;
}

// Why one weight per passed site prices a route exactly. A route passes sites s1 .. sn at
// distances 1 .. n from the start; the qubit on sj moves to s(j-1) and the traveller ends on
// sn. Take a buffered gate of qubits u and v, and give each qubit on a passed site the weight
// d(new site, partner's old site) - d(old site, partner's old site) per gate, with the
// traveller counted at its end, beyond every passed site (so +1):
// - neither passed: the gate's distance is unchanged and no weight applies;
// - only u passed: the change is exactly u's weight;
// - both passed, u before v: they end |i - j| apart as before, since both new sites lie on
//   the route; u's weight is +1 (it moves away from v's later site) and v's is -1 (its new
//   site is still at or after u's old one), so the weights cancel as they must;
// - u and v on sites no monotone route passes both of: at most one weight applies.
// Entering a site by an x or a y step gives two weights, and the cost of a route is the
// buffer's cost with only the traveller moved plus the weights of the sites it passes.
void RouteTree::weigh(const LookaheadSet& look) {
  for (std::size_t k = 0; k < look.qubits.size(); ++k) {
    if (!look.placed[k]) continue;
    const Location s = look.sites[k];
    const int i = (s.x - start_.x) * sx_;
    const int j = (s.y - start_.y) * sy_;
    if (i < 0 || i > nx_ || j < 0 || j > ny_ || i + j == 0) continue;
    Cell& cell = cell_[j * (nx_ + 1) + i];
    cell.look = static_cast<int>(k);
    // Entering s by an x step leaves its qubit on byX, by a y step on byY. A partner stays
    // where it is: if it is moved too, the two moves together keep their distance, which the
    // partner's own weight makes up for. The traveller ends beyond s, one step farther off.
    const Location byX = site(i - 1, j);
    const Location byY = site(i, j - 1);
    auto add = [&](int p, int w) {
      if (p == traveller_) {
        cell.weightX += w;
        cell.weightY += w;
        return;
      }
      const Location other = look.sites[p];
      cell.weightX += w * (dist(byX, other) - dist(s, other));
      cell.weightY += w * (dist(byY, other) - dist(s, other));
    };
    const std::vector<int>& partners = look.partners[k];
    if (look.weights.empty()) {
      for (int p : partners)
        add(p, 1);
    } else {
      for (std::size_t i = 0; i < partners.size(); ++i)
        add(partners[i], look.partnerWeights[k][i]);
    }
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
  masks_ = look.qubits.size() <= 64;
  cell_.assign(static_cast<std::size_t>(nx_ + 1) * (ny_ + 1), Cell());
  movedTo_.resize(look.qubits.size());
  weigh(look);

  const int row = nx_ + 1;
  for (int j = 0; j <= ny_; ++j) {
    for (int i = j == 0 ? 1 : 0; i <= nx_; ++i) {
      Cell& cell = cell_[j * row + i];
      const int viaX = i > 0 ? cell_[j * row + i - 1].cost + cell.weightX : INT_MAX;
      const int viaY = j > 0 ? cell_[(j - 1) * row + i].cost + cell.weightY : INT_MAX;
      // When both steps are cheapest, the route through the site farther along trail's first
      // step comes first (see before()): with x steps first, that is the one entering by y.
      cell.fromX = viaX != viaY ? viaX < viaY : !xFirst_;
      cell.cost = cell.fromX ? viaX : viaY;
      if (!masks_) continue;
      const Cell& parent = cell.fromX ? cell_[j * row + i - 1] : cell_[(j - 1) * row + i];
      cell.moved = parent.moved;
      if (cell.look >= 0) {
        cell.moved |= std::uint64_t{1} << cell.look;
        movedTo_[cell.look] = cell.fromX ? site(i - 1, j) : site(i, j - 1);
      }
    }
  }
}

void RouteTree::route(Location c, std::vector<Location>& out) const {
  const std::size_t first = out.size();
  int i = (c.x - start_.x) * sx_;
  int j = (c.y - start_.y) * sy_;
  out.push_back(c);
  while (i + j > 0) {
    if (cell_[j * (nx_ + 1) + i].fromX) {
      --i;
    } else {
      --j;
    }
    out.push_back(site(i, j));
  }
  std::reverse(out.begin() + static_cast<std::ptrdiff_t>(first), out.end());
}
