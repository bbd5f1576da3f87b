// The embedding search: a depth-first search over the vertices in a connectivity order, each
// vertex tried on the free coupled neighbours of its first placed neighbour, pruned by the
// couplers to its other placed neighbours, by distances and by free neighbour counts, and
// restarted with other root orders under growing shares of a fixed work bound.
#include "search/Embedding.h"

#include <algorithm>
#include <cstdint>
#include <deque>

namespace {

constexpr Location kNowhere{-1, -1};

// The graph to embed, prepared once: adjacency, the search order and its distances.
struct Pattern {
  int n = 0;
  std::vector<std::vector<int>> adj;      // per vertex: distinct neighbours, no loop
  std::vector<int> order;                 // vertices with edges in search order
  std::vector<int> componentStart;        // per order position: where its component starts
  std::vector<std::vector<int>> earlier;  // per order position: neighbours placed before it
  std::vector<std::uint16_t> dist;        // n x n distances within a component (empty if big)
};

// Distances are kept for graphs up to this many vertices (the table grows with the square).
constexpr int kMaxDistanceVertices = 2048;

Pattern preparePattern(int n, const std::vector<std::pair<int, int>>& edges) {
  Pattern p;
  p.n = n;
  p.adj.resize(n);
  for (const auto& [a, b] : edges) {
    if (a == b || a < 0 || b < 0 || a >= n || b >= n) continue;
    p.adj[a].push_back(b);
    p.adj[b].push_back(a);
  }
  for (auto& list : p.adj) {
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
  }
  // Components, largest first (ties: the one holding the smaller vertex).
  std::vector<int> comp(n, -1);
  std::vector<std::vector<int>> comps;
  for (int s = 0; s < n; ++s) {
    if (comp[s] >= 0 || p.adj[s].empty()) continue;
    std::vector<int> members{s};
    comp[s] = static_cast<int>(comps.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
      for (int w : p.adj[members[i]]) {
        if (comp[w] < 0) {
          comp[w] = comp[s];
          members.push_back(w);
        }
      }
    }
    comps.push_back(members);
  }
  std::stable_sort(comps.begin(), comps.end(),
                   [](const auto& a, const auto& b) { return a.size() > b.size(); });
  // Within a component: the vertex of highest degree first, then always the vertex with the
  // most placed neighbours (ties: higher degree, then smaller index).
  std::vector<int> placedNb(n, 0);
  std::vector<char> taken(n, 0);
  for (const auto& members : comps) {
    const int start = static_cast<int>(p.order.size());
    for (std::size_t k = 0; k < members.size(); ++k) {
      int best = -1;
      for (int v : members) {
        if (taken[v]) continue;
        if (best < 0 || placedNb[v] > placedNb[best] ||
            (placedNb[v] == placedNb[best] &&
             (p.adj[v].size() > p.adj[best].size() ||
              (p.adj[v].size() == p.adj[best].size() && v < best))))
          best = v;
      }
      taken[best] = 1;
      p.order.push_back(best);
      p.componentStart.push_back(start);
      for (int w : p.adj[best])
        ++placedNb[w];
    }
  }
  std::vector<int> position(n, -1);
  for (std::size_t k = 0; k < p.order.size(); ++k)
    position[p.order[k]] = static_cast<int>(k);
  p.earlier.resize(p.order.size());
  for (std::size_t k = 0; k < p.order.size(); ++k) {
    for (int w : p.adj[p.order[k]]) {
      if (position[w] < static_cast<int>(k)) p.earlier[k].push_back(w);
    }
    std::sort(p.earlier[k].begin(), p.earlier[k].end(),
              [&](int a, int b) { return position[a] < position[b]; });
  }
  if (n <= kMaxDistanceVertices) {
    p.dist.assign(static_cast<std::size_t>(n) * n, 0xFFFF);
    for (int s = 0; s < n; ++s) {
      if (p.adj[s].empty()) continue;
      std::uint16_t* row = &p.dist[static_cast<std::size_t>(s) * n];
      std::deque<int> queue{s};
      row[s] = 0;
      while (!queue.empty()) {
        const int v = queue.front();
        queue.pop_front();
        for (int w : p.adj[v]) {
          if (row[w] == 0xFFFF) {
            row[w] = static_cast<std::uint16_t>(row[v] + 1);
            queue.push_back(w);
          }
        }
      }
    }
  }
  return p;
}

// Checks that prove quickly that no embedding exists: too many vertices with edges, a
// component larger than the chip's largest group, more vertices of some degree than sites of
// that degree or more, or an odd cycle (the chip's couplers join sites of opposite colour of
// the grid's chequerboard, so every cycle it holds is even).
bool provablyAbsent(const Pattern& p, const Chip& chip) {
  std::vector<int> siteDegrees(5, 0);
  for (const ChipQubit& q : chip.qubits())
    ++siteDegrees[chip.neighbours(q.site).size()];
  std::vector<int> vertexDegrees(5, 0);
  for (int v = 0; v < p.n; ++v) {
    if (p.adj[v].size() > 4) return true;
    ++vertexDegrees[p.adj[v].size()];
  }
  int sites = 0;
  int vertices = 0;
  for (int d = 4; d >= 1; --d) {
    sites += siteDegrees[d];
    vertices += vertexDegrees[d];
    if (vertices > sites) return true;
  }
  std::vector<int> colour(p.n, -1);
  for (std::size_t k = 0; k < p.order.size(); ++k) {
    const int s = p.order[k];
    if (p.componentStart[k] != static_cast<int>(k)) continue;
    int size = 0;
    std::vector<int> queue{s};
    colour[s] = 0;
    for (std::size_t i = 0; i < queue.size(); ++i) {
      ++size;
      for (int w : p.adj[queue[i]]) {
        if (colour[w] < 0) {
          colour[w] = 1 - colour[queue[i]];
          queue.push_back(w);
        } else if (colour[w] == colour[queue[i]]) {
          return true;
        }
      }
    }
    if (size > chip.largestGroup()) return true;
  }
  return false;
}

// One depth-first search over the pattern's order, roots tried on the live sites from a given
// rotation of the row-by-row order.
class DepthFirst {
 public:
  DepthFirst(const Pattern& p, const Chip& chip) : p_(p), chip_(chip) {
    for (const ChipQubit& q : chip.qubits())
      live_.push_back(q.site);
  }

  // Searches with at most `limit` work units, adding the units spent to *work.
  EmbedStatus run(std::size_t rotation, long long limit, long long* work,
                  std::vector<Location>* sites) {
    const std::size_t m = p_.order.size();
    site_.assign(p_.n, kNowhere);
    occupant_.assign(static_cast<std::size_t>(chip_.width()) * chip_.height(), -1);
    freeNb_.assign(occupant_.size(), 0);
    for (Location s : live_)
      freeNb_[id(s)] = static_cast<int>(chip_.neighbours(s).size());
    unplacedNb_.resize(p_.n);
    for (int v = 0; v < p_.n; ++v)
      unplacedNb_[v] = static_cast<int>(p_.adj[v].size());
    candidates_.assign(m, {});
    next_.assign(m, 0);
    rotation_ = live_.empty() ? 0 : rotation % live_.size();
    long long spent = 0;
    std::size_t k = 0;
    if (m > 0) generate(0);
    EmbedStatus status = EmbedStatus::kFound;
    while (k < m) {
      if (spent >= limit) {
        status = EmbedStatus::kUnknown;
        break;
      }
      if (next_[k] < candidates_[k].size()) {
        const Location s = candidates_[k][next_[k]++];
        ++spent;
        if (!fits(k, s, &spent)) continue;
        place(p_.order[k], s);
        if (!roomy(p_.order[k], s)) {
          unplace(p_.order[k]);
          continue;
        }
        if (++k < m) generate(k);
      } else {
        if (k == 0) {
          status = EmbedStatus::kAbsent;
          break;
        }
        unplace(p_.order[--k]);
      }
    }
    *work += spent;
    if (status == EmbedStatus::kFound) *sites = site_;
    return status;
  }

 private:
  std::size_t id(Location s) const { return static_cast<std::size_t>(s.y) * chip_.width() + s.x; }

  // The sites vertex order[k] may take: the free coupled neighbours of its first placed
  // neighbour, or for a component's first vertex every free site, each with enough couplers.
  void generate(std::size_t k) {
    const int v = p_.order[k];
    const std::size_t degree = p_.adj[v].size();
    std::vector<Location>& list = candidates_[k];
    list.clear();
    next_[k] = 0;
    if (p_.earlier[k].empty()) {
      for (std::size_t i = 0; i < live_.size(); ++i) {
        const Location s = live_[(i + rotation_) % live_.size()];
        if (occupant_[id(s)] < 0 && chip_.neighbours(s).size() >= degree) list.push_back(s);
      }
      return;
    }
    for (Location s : chip_.neighbours(site_[p_.earlier[k][0]])) {
      if (occupant_[id(s)] < 0 && chip_.neighbours(s).size() >= degree) list.push_back(s);
    }
  }

  // True when order[k] on `s` is coupled to its other placed neighbours and no farther from
  // the placed vertices of its component than the pattern allows.
  bool fits(std::size_t k, Location s, long long* spent) const {
    const std::vector<int>& placed = p_.earlier[k];
    for (std::size_t i = 1; i < placed.size(); ++i) {
      if (!chip_.coupled(s, site_[placed[i]])) return false;
    }
    if (p_.dist.empty()) return true;
    const int v = p_.order[k];
    const std::uint16_t* row = &p_.dist[static_cast<std::size_t>(v) * p_.n];
    for (std::size_t j = p_.componentStart[k]; j < k; ++j) {
      ++*spent;
      const int w = p_.order[j];
      if (chip_.distance(s, site_[w]) > row[w]) return false;
    }
    return true;
  }

  // True when v on s and its placed chip neighbours keep enough free couplers for their
  // unplaced pattern neighbours.
  bool roomy(int v, Location s) const {
    if (unplacedNb_[v] > freeNb_[id(s)]) return false;
    for (Location t : chip_.neighbours(s)) {
      const int u = occupant_[id(t)];
      if (u >= 0 && unplacedNb_[u] > freeNb_[id(t)]) return false;
    }
    return true;
  }

  void place(int v, Location s) {
    site_[v] = s;
    occupant_[id(s)] = v;
    for (Location t : chip_.neighbours(s))
      --freeNb_[id(t)];
    for (int w : p_.adj[v])
      --unplacedNb_[w];
  }

  void unplace(int v) {
    const Location s = site_[v];
    for (int w : p_.adj[v])
      ++unplacedNb_[w];
    for (Location t : chip_.neighbours(s))
      ++freeNb_[id(t)];
    occupant_[id(s)] = -1;
    site_[v] = kNowhere;
  }

  const Pattern& p_;
  const Chip& chip_;
  std::vector<Location> live_;                     // live sites row by row
  std::size_t rotation_ = 0;                       // where the roots' site order starts
  std::vector<Location> site_;                     // per vertex: its site or kNowhere
  std::vector<int> occupant_;                      // per site: its vertex or -1
  std::vector<int> freeNb_;                        // per site: free coupled neighbours
  std::vector<int> unplacedNb_;                    // per vertex: unplaced pattern neighbours
  std::vector<std::vector<Location>> candidates_;  // per order position: its sites to try
  std::vector<std::size_t> next_;                  // per order position: the next one to try
};

}  // namespace

Embedding embedGraph(int n, const std::vector<std::pair<int, int>>& edges, const Chip& chip,
                     long long workLimit) {
  Embedding result;
  const Pattern p = preparePattern(std::max(n, 0), edges);
  if (provablyAbsent(p, chip)) {
    result.status = EmbedStatus::kAbsent;
    return result;
  }
  if (p.order.empty()) {
    result.status = EmbedStatus::kFound;
    result.sites.assign(p.n, kNowhere);
    return result;
  }
  // Restarts: the roots' site order turns a seventh of the chip each time, and each attempt
  // may spend twice the last; every attempt is exhaustive, so one that ends proves absence.
  DepthFirst search(p, chip);
  const std::size_t live = static_cast<std::size_t>(chip.liveCount());
  long long share = std::max<long long>(workLimit / 128, 1000);
  for (int attempt = 0; result.work < workLimit; ++attempt) {
    const long long remaining = workLimit - result.work;
    const long long limit = attempt >= 6 ? remaining : std::min(share, remaining);
    const std::size_t rotation = static_cast<std::size_t>(attempt % 7) * live / 7;
    result.status = search.run(rotation, limit, &result.work, &result.sites);
    if (result.status != EmbedStatus::kUnknown) return result;
    share *= 2;
  }
  result.status = EmbedStatus::kUnknown;
  return result;
}

const char* embedStatusName(EmbedStatus status) {
  return status == EmbedStatus::kFound    ? "found"
         : status == EmbedStatus::kAbsent ? "absent"
                                          : "unknown";
}
