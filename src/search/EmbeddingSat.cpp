// The embedding question as a SAT formula: site variables per vertex with at-most-one
// constraints in the sequential counter encoding, and per edge and site a clause that puts the
// partner on a coupled site.
#include "search/EmbeddingSat.h"

#include <cadical.hpp>

#include <algorithm>
#include <utility>

namespace {

constexpr Location kNowhere{-1, -1};

// A formula being written into the solver, with fresh auxiliary variables.
class Formula {
 public:
  explicit Formula(CaDiCaL::Solver* solver) : solver_(solver) {}

  int fresh() { return next_++; }

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
  // Variables are indexed by the chip's ranks of live sites; only the usable ones get any.
  const std::size_t sites = static_cast<std::size_t>(chip.liveCount());
  std::size_t usable = 0;
  for (std::size_t r = 0; r < sites; ++r)
    usable += chip.usable(chip.siteOfRank(static_cast<int>(r))) ? 1 : 0;
  if (withEdges.empty()) {
    result.status = EmbedStatus::kFound;
    result.sites.assign(n, kNowhere);
    return result;
  }
  if (withEdges.size() > usable) {
    result.status = EmbedStatus::kAbsent;
    return result;
  }
  if (static_cast<long long>(withEdges.size()) * static_cast<long long>(sites) > kMaxSatPairs) {
    return result;
  }

  CaDiCaL::Solver solver;
  Formula formula(&solver);
  // var[v][r]: vertex v stands on the live site of rank r (0 where it is unusable or has too
  // few couplers).
  std::vector<std::vector<int>> var(n);
  std::vector<std::vector<int>> choicesOf(n);  // per vertex: its variables
  for (int v : withEdges) {
    var[v].assign(sites, 0);
    std::vector<int>& choices = choicesOf[v];
    for (std::size_t r = 0; r < sites; ++r) {
      const Location s = chip.siteOfRank(static_cast<int>(r));
      if (!chip.usable(s) || chip.neighbours(s).size() < adj[v].size()) continue;
      var[v][r] = formula.fresh();
      choices.push_back(var[v][r]);
    }
    if (choices.empty()) {
      result.status = EmbedStatus::kAbsent;
      return result;
    }
    formula.clause(choices);
  }
  // The chains' auxiliary variables come after every site variable.
  for (int v : withEdges)
    formula.atMostOne(choicesOf[v]);
  for (std::size_t r = 0; r < sites; ++r) {
    std::vector<int> holders;
    for (int v : withEdges) {
      if (var[v][r] != 0) holders.push_back(var[v][r]);
    }
    formula.atMostOne(holders);
  }
  std::vector<int> literals;
  for (int v : withEdges) {
    for (int w : adj[v]) {
      for (std::size_t r = 0; r < sites; ++r) {
        if (var[v][r] == 0) continue;
        literals.assign(1, -var[v][r]);
        for (Location t : chip.neighbours(chip.siteOfRank(static_cast<int>(r)))) {
          const int x = var[w][chip.rankOf(t)];
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
  // The solver's model is trusted only once its placement checks out: each vertex on one site,
  // no site twice, every edge on a coupler.
  std::vector<Location> found(n, kNowhere);
  std::vector<char> taken(sites, 0);
  for (int v : withEdges) {
    for (std::size_t r = 0; r < sites; ++r) {
      if (var[v][r] == 0 || solver.val(var[v][r]) <= 0) continue;
      if (found[v].x >= 0 || taken[r]) return result;
      taken[r] = 1;
      found[v] = chip.siteOfRank(static_cast<int>(r));
    }
  }
  for (int v : withEdges) {
    for (int w : adj[v]) {
      if (!chip.coupled(found[v], found[w])) return result;
    }
  }
  result.status = EmbedStatus::kFound;
  result.sites = std::move(found);
  return result;
}
