// The embedding question as a SAT formula: site variables per vertex with at-most-one
// constraints in the sequential counter encoding, and per edge and site a clause that puts the
// partner on a coupled site.
#include "search/EmbeddingSat.h"

#include <cadical.hpp>

#include <algorithm>
#include <initializer_list>

namespace {

constexpr Location kNowhere{-1, -1};

// A formula being written into the solver, with fresh auxiliary variables.
class Formula {
 public:
  explicit Formula(CaDiCaL::Solver* solver) : solver_(solver) {}

  int fresh() { return next_++; }

  void clause(std::initializer_list<int> literals) {
    for (int l : literals)
      solver_->add(l);
    solver_->add(0);
  }

  void clause(const std::vector<int>& literals) {
    for (int l : literals)
      solver_->add(l);
    solver_->add(0);
  }

  // At most one of `literals` holds: pairwise for a few, else a chain of "one seen so far".
  void atMostOne(const std::vector<int>& literals) {
    const std::size_t k = literals.size();
    if (k <= 5) {
      for (std::size_t i = 0; i < k; ++i) {
        for (std::size_t j = i + 1; j < k; ++j)
          clause({-literals[i], -literals[j]});
      }
      return;
    }
    int seen = fresh();
    clause({-literals[0], seen});
    for (std::size_t i = 1; i + 1 < k; ++i) {
      const int next = fresh();
      clause({-literals[i], next});
      clause({-seen, next});
      clause({-literals[i], -seen});
      seen = next;
    }
    clause({-literals[k - 1], -seen});
  }

 private:
  CaDiCaL::Solver* solver_;
  int next_ = 1;
};

}  // namespace

Embedding satEmbedding(int n, const std::vector<std::pair<int, int>>& edges, const Chip& chip,
                       long long conflictLimit) {
  Embedding result;
  n = std::max(n, 0);
  std::vector<std::vector<int>> adj(n);
  for (const auto& [a, b] : edges) {
    if (a == b || a < 0 || b < 0 || a >= n || b >= n) continue;
    adj[a].push_back(b);
    adj[b].push_back(a);
  }
  std::vector<int> withEdges;
  for (int v = 0; v < n; ++v) {
    std::sort(adj[v].begin(), adj[v].end());
    adj[v].erase(std::unique(adj[v].begin(), adj[v].end()), adj[v].end());
    if (!adj[v].empty()) withEdges.push_back(v);
  }
  std::vector<Location> live;
  for (const ChipQubit& q : chip.qubits()) {
    if (chip.usable(q.site)) live.push_back(q.site);
  }
  if (withEdges.empty()) {
    result.status = EmbedStatus::kFound;
    result.sites.assign(n, kNowhere);
    return result;
  }
  if (withEdges.size() > live.size()) {
    result.status = EmbedStatus::kAbsent;
    return result;
  }
  if (static_cast<long long>(withEdges.size()) * static_cast<long long>(live.size()) >
      kMaxSatPairs) {
    return result;
  }
  const std::size_t sites = live.size();
  std::vector<int> rank(static_cast<std::size_t>(chip.width()) * chip.height(), -1);
  for (std::size_t i = 0; i < sites; ++i)
    rank[static_cast<std::size_t>(live[i].y) * chip.width() + live[i].x] = static_cast<int>(i);

  CaDiCaL::Solver solver;
  Formula formula(&solver);
  // var[v][i]: vertex v stands on live site i (0 where the site has too few couplers).
  std::vector<std::vector<int>> var(n);
  for (int v : withEdges) {
    var[v].assign(sites, 0);
    std::vector<int> choices;
    for (std::size_t i = 0; i < sites; ++i) {
      if (chip.neighbours(live[i]).size() < adj[v].size()) continue;
      var[v][i] = formula.fresh();
      choices.push_back(var[v][i]);
    }
    if (choices.empty()) {
      result.status = EmbedStatus::kAbsent;
      return result;
    }
    formula.clause(choices);
  }
  for (int v : withEdges) {
    std::vector<int> choices;
    for (int x : var[v]) {
      if (x != 0) choices.push_back(x);
    }
    formula.atMostOne(choices);
  }
  for (std::size_t i = 0; i < sites; ++i) {
    std::vector<int> holders;
    for (int v : withEdges) {
      if (var[v][i] != 0) holders.push_back(var[v][i]);
    }
    formula.atMostOne(holders);
  }
  std::vector<int> literals;
  for (int v : withEdges) {
    for (int w : adj[v]) {
      for (std::size_t i = 0; i < sites; ++i) {
        if (var[v][i] == 0) continue;
        literals.assign(1, -var[v][i]);
        for (Location t : chip.neighbours(live[i])) {
          const int x = var[w][rank[static_cast<std::size_t>(t.y) * chip.width() + t.x]];
          if (x != 0) literals.push_back(x);
        }
        formula.clause(literals);
      }
    }
  }
  solver.limit("conflicts", static_cast<int>(std::min<long long>(conflictLimit, 1 << 30)));
  const int answer = solver.solve();
  if (answer == 20) {
    result.status = EmbedStatus::kAbsent;
    return result;
  }
  if (answer != 10) return result;
  std::vector<Location> found(n, kNowhere);
  for (int v : withEdges) {
    for (std::size_t i = 0; i < sites; ++i) {
      if (var[v][i] != 0 && solver.val(var[v][i]) > 0) found[v] = live[i];
    }
  }
  // The solver's model is trusted only once its placement checks out.
  std::vector<char> taken(rank.size(), 0);
  for (int v : withEdges) {
    const Location s = found[v];
    if (s.x < 0) return result;
    char& mark = taken[static_cast<std::size_t>(s.y) * chip.width() + s.x];
    if (mark) return result;
    mark = 1;
    for (int w : adj[v]) {
      if (found[w].x >= 0 && !chip.coupled(s, found[w])) return result;
    }
  }
  result.status = EmbedStatus::kFound;
  result.sites = std::move(found);
  return result;
}
