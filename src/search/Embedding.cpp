// The embedding search: a depth-first search over the vertices in a connectivity order (the
// 2-core first), each vertex tried on the free coupled neighbours of its first placed
// neighbour (those with fewer free neighbours first), pruned by the couplers to its other placed
// neighbours, by the sites within each distance of a site against the vertices as near in the
// graph, by distances, by free neighbour counts and by free sites that nothing can use any more,
// and restarted with shuffled site orders under the Luby sequence of shares of a fixed work bound.
#include "search/Embedding.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <random>

namespace {

constexpr Location kNowhere{-1, -1};

// The graph to embed, prepared once: adjacency, the search order and its distances.
struct Pattern {
  int n = 0;
  std::vector<std::vector<int>> adj;       // per vertex: distinct neighbours, no loop
  std::vector<int> order;                  // vertices with edges in search order
  std::vector<int> componentStart;         // per order position: where its component starts
  std::vector<std::size_t> nextComponent;  // per order position: where the next one starts
  std::vector<std::vector<int>> earlier;   // per order position: neighbours placed before it
  std::vector<std::uint16_t> dist;         // n x n distances within a component (empty if big)
  // Per order position: the vertices placed before it at distance 2 .. kNear, with it.
  std::vector<std::vector<std::pair<int, int>>> near;
  // Per vertex: how many vertices of its component lie within distance 1 .. kBallRadius of it
  // (fewer entries when the component ends sooner; empty without distances).
  std::vector<std::vector<int>> ball;
};

// Distances are kept for graphs up to this many vertices (the table grows with the square).
constexpr int kMaxDistanceVertices = 2048;
// Placed vertices farther than this in the graph prune too little to be worth comparing.
constexpr int kNear = 6;
// Balls are compared up to this radius: wider ones rarely prune and cost more to count.
constexpr int kBallRadius = 24;
// Chips with more usable sites than this keep no ball counts (they cost sites x ball size).
constexpr std::size_t kMaxBallSites = 4096;

// The site of the row-by-row index of a grid cell.
std::size_t cellOf(const Chip& chip, Location s) {
  return static_cast<std::size_t>(s.y) * chip.width() + s.x;
}

// Per grid cell and radius - 1 (1 .. kBallRadius): the usable sites within that distance of a
// usable site, itself included; empty for a chip of more than kMaxBallSites usable sites.
std::vector<std::uint16_t> countChipBalls(const Chip& chip) {
  std::vector<Location> usable;
  for (const ChipQubit& q : chip.qubits()) {
    if (chip.usable(q.site)) usable.push_back(q.site);
  }
  if (usable.size() > kMaxBallSites) return {};
  const std::size_t cells = static_cast<std::size_t>(chip.width()) * chip.height();
  std::vector<std::uint16_t> balls(cells * kBallRadius, 0);
  std::vector<int> depth(cells, -1);
  std::vector<Location> queue;
  for (Location s : usable) {
    queue.assign(1, s);
    depth[cellOf(chip, s)] = 0;
    std::uint16_t* count = &balls[cellOf(chip, s) * kBallRadius];
    for (std::size_t i = 0; i < queue.size(); ++i) {
      const int d = depth[cellOf(chip, queue[i])];
      if (d > 0) ++count[d - 1];
      if (d == kBallRadius) continue;
      for (Location t : chip.neighbours(queue[i])) {
        if (depth[cellOf(chip, t)] < 0) {
          depth[cellOf(chip, t)] = d + 1;
          queue.push_back(t);
        }
      }
    }
    ++count[0];
    for (int r = 1; r < kBallRadius; ++r)
      count[r] = static_cast<std::uint16_t>(count[r] + count[r - 1]);
    for (Location t : queue)
      depth[cellOf(chip, t)] = -1;
  }
  return balls;
}

// True when the chip has room around `cell` for every ball of `need`.
bool ballsFit(const std::vector<int>& need, const std::uint16_t* room) {
  for (std::size_t r = 0; r < need.size(); ++r) {
    if (need[r] > room[r]) return false;
  }
  return true;
}

// Root choices are counted only up to this many (vertex, site) pairs.
constexpr std::size_t kMaxRootPairs = std::size_t{1} << 22;

Pattern preparePattern(int n, const std::vector<std::pair<int, int>>& edges, const Chip& chip,
                       const std::vector<std::uint16_t>& chipBalls) {
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
  // The 2-core: what remains when vertices of one edge are removed over and over. The trees
  // that hang off it have the most freedom, so they come last.
  std::vector<int> coreDegree(n);
  std::vector<char> core(n, 1);
  std::vector<int> leaves;
  for (int v = 0; v < n; ++v) {
    coreDegree[v] = static_cast<int>(p.adj[v].size());
    if (coreDegree[v] <= 1) leaves.push_back(v);
  }
  while (!leaves.empty()) {
    const int v = leaves.back();
    leaves.pop_back();
    if (!core[v]) continue;
    core[v] = 0;
    for (int w : p.adj[v]) {
      if (core[w] && --coreDegree[w] == 1) leaves.push_back(w);
    }
  }
  // Within a component: the core's vertex of highest degree first (the component's if it has
  // no core), then always the vertex with the most placed neighbours, the core's first (ties:
  // more placed vertices at distance 2, which close a short cycle soon, then higher degree,
  // then smaller index).
  std::vector<int> placedNb(n, 0);
  std::vector<int> placedNear(n, 0);  // per vertex: placed vertices at distance 2
  std::vector<char> taken(n, 0);
  auto before = [&](int v, int b) {
    if (core[v] != core[b]) return core[v] > core[b];
    if (placedNb[v] != placedNb[b]) return placedNb[v] > placedNb[b];
    if (placedNear[v] != placedNear[b]) return placedNear[v] > placedNear[b];
    if (p.adj[v].size() != p.adj[b].size()) return p.adj[v].size() > p.adj[b].size();
    return v < b;
  };
  // The eccentricity of every vertex within its component: a component's first vertex is
  // its core's centre, which the search tries from the chip's centre outwards.
  std::vector<int> eccentricity(n, 0);
  if (!p.dist.empty()) {
    for (int v = 0; v < n; ++v) {
      for (int w = 0; w < n; ++w) {
        const int d = p.dist[static_cast<std::size_t>(v) * n + w];
        if (d != 0xFFFF) eccentricity[v] = std::max(eccentricity[v], d);
      }
    }
  }
  p.ball.resize(n);
  if (!p.dist.empty()) {
    for (int v = 0; v < n; ++v) {
      if (p.adj[v].empty()) continue;
      std::vector<int> count(kBallRadius + 1, 0);
      const std::uint16_t* row = &p.dist[static_cast<std::size_t>(v) * n];
      for (int w = 0; w < n; ++w) {
        if (row[w] <= kBallRadius) ++count[row[w]];
      }
      for (int r = 1; r <= std::min(eccentricity[v], kBallRadius); ++r)
        p.ball[v].push_back(count[r] + (r == 1 ? 1 : p.ball[v].back()));
    }
  }
  // Per vertex: the usable sites with room for its balls. A component starts from the vertex
  // of its core with the fewest (the most constrained: on a tight chip, one near a corner).
  std::vector<int> rooms(n, 0);
  std::vector<Location> usable;
  for (const ChipQubit& q : chip.qubits()) {
    if (chip.usable(q.site)) usable.push_back(q.site);
  }
  int withEdges = 0;
  for (int v = 0; v < n; ++v)
    withEdges += p.adj[v].empty() ? 0 : 1;
  const bool countRooms = !chipBalls.empty() && !p.dist.empty() &&
                          static_cast<std::size_t>(withEdges) * usable.size() <= kMaxRootPairs;
  if (countRooms) {
    for (int v = 0; v < n; ++v) {
      if (p.adj[v].empty()) continue;
      for (Location s : usable)
        rooms[v] += ballsFit(p.ball[v], &chipBalls[cellOf(chip, s) * kBallRadius]) ? 1 : 0;
    }
  }
  for (const auto& members : comps) {
    const int start = static_cast<int>(p.order.size());
    for (std::size_t k = 0; k < members.size(); ++k) {
      int best = -1;
      for (int v : members) {
        if (taken[v]) continue;
        if (k == 0 && best >= 0 && core[v] == core[best] && rooms[v] != rooms[best]) {
          if (rooms[v] < rooms[best]) best = v;
        } else if (k == 0 && best >= 0 && core[v] == core[best] &&
                   eccentricity[v] != eccentricity[best]) {
          if (eccentricity[v] < eccentricity[best]) best = v;
        } else if (best < 0 || before(v, best)) {
          best = v;
        }
      }
      taken[best] = 1;
      p.order.push_back(best);
      p.componentStart.push_back(start);
      for (int w : p.adj[best])
        ++placedNb[w];
      if (!p.dist.empty()) {
        for (int w : members) {
          if (p.dist[static_cast<std::size_t>(best) * n + w] == 2) ++placedNear[w];
        }
      }
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
  p.nextComponent.assign(p.order.size(), p.order.size());
  for (std::size_t k = p.order.size(); k-- > 1;) {
    p.nextComponent[k - 1] = p.componentStart[k] == static_cast<int>(k) ? k : p.nextComponent[k];
  }
  p.near.resize(p.order.size());
  if (!p.dist.empty()) {
    for (std::size_t k = 0; k < p.order.size(); ++k) {
      const std::uint16_t* row = &p.dist[static_cast<std::size_t>(p.order[k]) * n];
      for (std::size_t j = p.componentStart[k]; j < k; ++j) {
        const int d = row[p.order[j]];
        if (d >= 2 && d <= kNear) p.near[k].emplace_back(p.order[j], d);
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
  for (const ChipQubit& q : chip.qubits()) {
    if (chip.usable(q.site)) ++siteDegrees[chip.neighbours(q.site).size()];
  }
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

// One depth-first search over the pattern's order, roots tried on the live sites from the
// chip's centre outwards; a seed other than 0 shuffles every list of sites to try.
class DepthFirst {
 public:
  DepthFirst(const Pattern& p, const Chip& chip, const std::vector<std::uint16_t>& chipBalls)
      : p_(p), chip_(chip), chipBall_(chipBalls) {
    // Only the sites a mapping may use: the chip's largest group of joined qubits.
    for (const ChipQubit& q : chip.qubits()) {
      if (chip.usable(q.site)) live_.push_back(q.site);
    }
    auto fromCentre = [&](Location s) {
      return std::abs(2 * s.x - (chip.width() - 1)) + std::abs(2 * s.y - (chip.height() - 1));
    };
    std::stable_sort(live_.begin(), live_.end(),
                     [&](Location a, Location b) { return fromCentre(a) < fromCentre(b); });
  }

  // Searches with at most `limit` work units, adding the units spent to *work.
  EmbedStatus run(std::uint32_t seed, long long limit, long long* work,
                  std::vector<Location>* sites) {
    attempt_ = seed;
    shuffle_ = seed != 0;
    generator_.seed(seed);
    const std::size_t m = p_.order.size();
    site_.assign(p_.n, kNowhere);
    occupant_.assign(static_cast<std::size_t>(chip_.width()) * chip_.height(), -1);
    freeNb_.assign(occupant_.size(), 0);
    for (Location s : live_)
      freeNb_[id(s)] = static_cast<int>(chip_.neighbours(s).size());
    unplacedNb_.resize(p_.n);
    for (int v = 0; v < p_.n; ++v)
      unplacedNb_[v] = static_cast<int>(p_.adj[v].size());
    dead_.assign(occupant_.size(), 0);
    seen_.assign(occupant_.size(), 0);
    stamp_ = 0;
    deadCount_ = 0;
    slack_ = static_cast<int>(live_.size() - m);
    candidates_.assign(m, {});
    next_.assign(m, 0);
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
        if (!roomy(p_.order[k], s) || deadCount_ > slack_ ||
            (k + 1 == p_.nextComponent[k] && !roomEnough(k, &spent))) {
          unplace(p_.order[k]);
          continue;
        }
        if (++k < m) generate(k);
        if (k > deepest_) {
          deepest_ = k;
          deepestSites_ = site_;
          spent += p_.n / 64 + 1;
        }
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

  // The sites of the most vertices placed at once over every run so far; empty before any.
  const std::vector<Location>& deepest() const { return deepestSites_; }

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
        const Location s = live_[i];
        if (occupant_[id(s)] < 0 && chip_.neighbours(s).size() >= degree) list.push_back(s);
      }
      // The first root keeps the order from the centre, each attempt starting one site later.
      if (k == 0 && !list.empty()) {
        std::rotate(list.begin(), list.begin() + attempt_ % list.size(), list.end());
      } else if (shuffle_) {
        for (std::size_t i = list.size(); i > 1; --i)
          std::swap(list[i - 1], list[generator_() % i]);
      }
      return;
    }
    for (Location s : chip_.neighbours(site_[p_.earlier[k][0]])) {
      if (occupant_[id(s)] < 0 && chip_.neighbours(s).size() >= degree) list.push_back(s);
    }
    if (shuffle_) {
      for (std::size_t i = list.size(); i > 1; --i)
        std::swap(list[i - 1], list[generator_() % i]);
    }
    // Sites with fewer free neighbours first: the pattern packs against what is placed and
    // leaves fewer holes that nothing can fill.
    std::stable_sort(list.begin(), list.end(),
                     [&](Location a, Location b) { return freeNb_[id(a)] < freeNb_[id(b)]; });
  }

  // True when order[k] on `s` is coupled to its other placed neighbours, has room around `s`
  // for the vertices near it in the pattern, and stands no farther from the placed vertices of
  // its component than the pattern allows.
  bool fits(std::size_t k, Location s, long long* spent) const {
    const std::vector<int>& placed = p_.earlier[k];
    for (std::size_t i = 1; i < placed.size(); ++i) {
      if (!chip_.coupled(s, site_[placed[i]])) return false;
    }
    if (!chipBall_.empty()) {
      ++*spent;
      if (!ballsFit(p_.ball[p_.order[k]], &chipBall_[id(s) * kBallRadius])) return false;
    }
    for (const auto& [w, d] : p_.near[k]) {
      ++*spent;
      if (chip_.distance(s, site_[w]) > d) return false;
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
    refreshAround(v, s);
  }

  void unplace(int v) {
    const Location s = site_[v];
    for (int w : p_.adj[v])
      ++unplacedNb_[w];
    for (Location t : chip_.neighbours(s))
      ++freeNb_[id(t)];
    occupant_[id(s)] = -1;
    site_[v] = kNowhere;
    refreshAround(v, s);
  }

  // True when v's placement saturated v or a placed neighbour: a free region may have closed.
  bool closes(int v) const {
    if (unplacedNb_[v] == 0) return true;
    for (int w : p_.adj[v]) {
      if (site_[w].x >= 0 && unplacedNb_[w] == 0) return true;
    }
    return false;
  }

  // True unless the free regions that no unsaturated vertex borders, and that are smaller than
  // every component still to place, add up to more sites than the slack: such a region can
  // hold no vertex with edges. Spends one unit per site visited.
  bool roomEnough(std::size_t k, long long* spent) {
    const std::size_t next = p_.nextComponent[k];
    const std::size_t smallest =
        next < p_.order.size() ? p_.order.size() - p_.componentStart.back() : live_.size() + 1;
    ++stamp_;
    int waste = 0;
    for (Location s : live_) {
      if (occupant_[id(s)] >= 0 || seen_[id(s)] == stamp_) continue;
      std::size_t size = 0;
      bool open = false;
      region_.assign(1, s);
      seen_[id(s)] = stamp_;
      for (std::size_t i = 0; i < region_.size(); ++i) {
        ++size;
        for (Location t : chip_.neighbours(region_[i])) {
          const int u = occupant_[id(t)];
          if (u >= 0) {
            open = open || unplacedNb_[u] > 0;
          } else if (seen_[id(t)] != stamp_) {
            seen_[id(t)] = stamp_;
            region_.push_back(t);
          }
        }
      }
      *spent += static_cast<long long>(size);
      if (!open && size < smallest) waste += static_cast<int>(size);
      if (waste > slack_) return false;
    }
    return true;
  }

  // A free site is dead when every neighbour holds a vertex whose pattern neighbours are all
  // placed: no vertex with edges can stand there any more.
  bool deadSite(Location t) const {
    if (occupant_[id(t)] >= 0 || freeNb_[id(t)] > 0) return false;
    for (Location u : chip_.neighbours(t)) {
      if (unplacedNb_[occupant_[id(u)]] > 0) return false;
    }
    return true;
  }

  void refresh(Location t) {
    const char now = deadSite(t) ? 1 : 0;
    deadCount_ += now - dead_[id(t)];
    dead_[id(t)] = now;
  }

  // Refreshes the sites whose deadness v's move to or from s may change.
  void refreshAround(int v, Location s) {
    refresh(s);
    for (Location t : chip_.neighbours(s))
      refresh(t);
    for (int w : p_.adj[v]) {
      if (site_[w].x < 0) continue;
      for (Location t : chip_.neighbours(site_[w]))
        refresh(t);
    }
  }

  const Pattern& p_;
  const Chip& chip_;
  std::vector<Location> live_;                  // live sites row by row
  const std::vector<std::uint16_t>& chipBall_;  // countChipBalls of the chip
  std::size_t attempt_ = 0;                     // the attempt's number
  bool shuffle_ = false;                        // whether the lists of sites are shuffled
  std::mt19937 generator_;                      // the shuffles' generator
  std::vector<Location> site_;                  // per vertex: its site or kNowhere
  std::vector<int> occupant_;                   // per site: its vertex or -1
  std::vector<int> freeNb_;                     // per site: free coupled neighbours
  std::vector<int> unplacedNb_;                 // per vertex: unplaced pattern neighbours
  std::vector<int> seen_;                       // per site: the stamp of the last flood that met it
  int stamp_ = 0;                               // the current flood's stamp
  std::vector<Location> region_;                // the sites of the region being flooded
  std::vector<char> dead_;                      // per site: 1 when deadSite holds
  int deadCount_ = 0;                           // dead sites
  int slack_ = 0;                               // live sites beyond the vertices with edges
  std::vector<std::vector<Location>> candidates_;  // per order position: its sites to try
  std::vector<std::size_t> next_;                  // per order position: the next one to try
  std::size_t deepest_ = 0;                        // the most vertices placed at once
  std::vector<Location> deepestSites_;             // the sites of that placement
};

// The i-th term (from 1) of the Luby sequence 1, 1, 2, 1, 1, 2, 4, 1, 1, 2, ...
long long luby(std::uint32_t i) {
  for (int k = 1; k < 32; ++k) {
    const std::uint64_t full = (std::uint64_t{1} << k) - 1;
    if (i == full) return static_cast<long long>(std::uint64_t{1} << (k - 1));
    if (i < full) return luby(static_cast<std::uint32_t>(i - ((full >> 1))));
  }
  return 1;
}

}  // namespace

Embedding embedGraph(int n, const std::vector<std::pair<int, int>>& edges, const Chip& chip,
                     long long workLimit) {
  Embedding result;
  const std::vector<std::uint16_t> chipBalls = countChipBalls(chip);
  const Pattern p = preparePattern(std::max(n, 0), edges, chip, chipBalls);
  if (provablyAbsent(p, chip)) {
    result.status = EmbedStatus::kAbsent;
    return result;
  }
  if (p.order.empty()) {
    result.status = EmbedStatus::kFound;
    result.sites.assign(p.n, kNowhere);
    return result;
  }
  // Restarts under the Luby sequence of shares (1, 1, 2, 1, 1, 2, 4, ...) of a base share (a 256th
  // of the bound: many short attempts beat few long ones on loose patterns), each attempt with its
  // own shuffles; every attempt is exhaustive, so one that ends proves absence.
  DepthFirst search(p, chip, chipBalls);
  const long long base = std::max<long long>(workLimit / 256, 2000);
  for (std::uint32_t attempt = 0; result.work < workLimit; ++attempt) {
    const long long limit = std::min(base * luby(attempt + 1), workLimit - result.work);
    result.status = search.run(attempt, limit, &result.work, &result.sites);
    if (result.status != EmbedStatus::kUnknown) return result;
  }
  result.status = EmbedStatus::kUnknown;
  result.partial = search.deepest();
  return result;
}

const char* embedStatusName(EmbedStatus status) {
  return status == EmbedStatus::kFound    ? "found"
         : status == EmbedStatus::kAbsent ? "absent"
                                          : "unknown";
}
