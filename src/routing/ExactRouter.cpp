// The exact router: every placement of the gates' qubits is a state, a SWAP on a usable coupler
// joins two states, and each gate keeps the states where it acts on a coupler.
#include "routing/ExactRouter.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

constexpr std::uint16_t kUnreached = std::numeric_limits<std::uint16_t>::max();

// The placements as numbers: digit q (base `sites`) is the usable site of qubit q.
class States {
 public:
  States(int sites, int qubits) : sites_(sites), qubits_(qubits), power_(qubits, 1) {
    for (int q = 1; q < qubits; ++q)
      power_[q] = power_[q - 1] * sites;
  }
  int siteOf(long long s, int q) const { return static_cast<int>(s / power_[q] % sites_); }
  // The sites of every qubit; false when two share one.
  bool read(long long s, std::vector<int>& site, std::vector<int>& at) const {
    std::fill(at.begin(), at.end(), -1);
    for (int q = 0; q < qubits_; ++q) {
      site[q] = static_cast<int>(s % sites_);
      s /= sites_;
      if (at[site[q]] >= 0) return false;
      at[site[q]] = q;
    }
    return true;
  }
  // The placement after a SWAP of sites u and v, whose qubits are qu and qv (-1: none).
  long long swapped(long long s, int u, int v, int qu, int qv) const {
    if (qu >= 0) s += (v - u) * power_[qu];
    if (qv >= 0) s += (u - v) * power_[qv];
    return s;
  }

 private:
  int sites_, qubits_;
  std::vector<long long> power_;
};

}  // namespace

ExactRouting routeExact(const Chip& chip, LineView lines, long long limit) {
  ExactRouting result;
  // The qubits with gates, renumbered in order of first use.
  std::vector<int> original;
  std::vector<std::pair<int, int>> gates;
  auto number = [&](int q) {
    const auto it = std::find(original.begin(), original.end(), q);
    if (it != original.end()) return static_cast<int>(it - original.begin());
    original.push_back(q);
    return static_cast<int>(original.size()) - 1;
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != CircuitLine::kGate) continue;
    const int a = number(lines[i].q1);
    gates.emplace_back(a, number(lines[i].q2));
  }
  std::vector<Location> usable;
  for (int y = 0; y < chip.height(); ++y) {
    for (int x = 0; x < chip.width(); ++x) {
      if (chip.usable({x, y})) usable.push_back({x, y});
    }
  }
  const int sites = static_cast<int>(usable.size());
  const int qubits = static_cast<int>(original.size());
  if (gates.empty() || qubits > sites) return result;
  long long count = 1;
  for (int q = 0; q < qubits; ++q) {
    if (count > limit / sites) return result;
    count *= sites;
  }
  std::vector<std::vector<char>> coupled(sites, std::vector<char>(sites, 0));
  std::vector<std::pair<int, int>> couplers;
  for (int u = 0; u < sites; ++u) {
    for (int v = u + 1; v < sites; ++v) {
      if (!chip.coupled(usable[u], usable[v])) continue;
      coupled[u][v] = coupled[v][u] = 1;
      couplers.emplace_back(u, v);
    }
  }
  // Only placements with distinct sites are states; each gets a number of its own and the
  // states one SWAP away, per coupler (-1 where the SWAP moves nobody).
  const States states(sites, qubits);
  std::vector<int> site(qubits), at(sites);
  std::vector<int> id(count, -1);
  std::vector<long long> placement;
  for (long long s = 0; s < count; ++s) {
    if (!states.read(s, site, at)) continue;
    id[s] = static_cast<int>(placement.size());
    placement.push_back(s);
  }
  const long long n = static_cast<long long>(placement.size());
  const std::size_t E = couplers.size();
  if (n * static_cast<long long>(gates.size()) > limit * 8) return result;
  std::vector<int> next(n * E, -1);
  for (long long i = 0; i < n; ++i) {
    states.read(placement[i], site, at);
    for (std::size_t e = 0; e < E; ++e) {
      const auto [u, v] = couplers[e];
      if (at[u] >= 0 || at[v] >= 0)
        next[i * E + e] = id[states.swapped(placement[i], u, v, at[u], at[v])];
    }
  }

  // cost[k][i]: the fewest SWAPs that run gates 0 .. k and end in state i, where gate k acts
  // on a coupler. Layer k spreads layer k - 1 (every state at 0 for the first gate) over the
  // SWAPs in order of cost, then keeps the states where gate k can run.
  std::vector<std::vector<std::uint16_t>> cost(gates.size());
  std::vector<std::vector<int>> bucket;
  for (std::size_t k = 0; k < gates.size(); ++k) {
    std::vector<std::uint16_t>& here = cost[k];
    here.assign(n, kUnreached);
    bucket.assign(1, {});
    for (long long i = 0; i < n; ++i) {
      const std::uint16_t c = k == 0 ? 0 : cost[k - 1][i];
      if (c == kUnreached) continue;
      if (bucket.size() <= c) bucket.resize(c + 1);
      bucket[c].push_back(static_cast<int>(i));
    }
    for (std::size_t c = 0; c < bucket.size(); ++c) {
      if (c + 2 >= kUnreached) return result;
      for (std::size_t j = 0; j < bucket[c].size(); ++j) {
        const int i = bucket[c][j];
        if (here[i] <= c) continue;
        here[i] = static_cast<std::uint16_t>(c);
        for (std::size_t e = 0; e < E; ++e) {
          const int t = next[i * E + e];
          if (t < 0 || here[t] <= c + 1) continue;
          if (bucket.size() <= c + 1) bucket.resize(c + 2);
          bucket[c + 1].push_back(t);
        }
      }
    }
    const auto [a, b] = gates[k];
    for (long long i = 0; i < n; ++i) {
      if (here[i] != kUnreached &&
          !coupled[states.siteOf(placement[i], a)][states.siteOf(placement[i], b)])
        here[i] = kUnreached;
    }
  }

  // The cheapest end, then back gate by gate: a state of the layer before from which this one
  // is as many SWAPs away as their costs differ, found by a search outwards from it.
  long long end = -1;
  for (long long i = 0; i < n; ++i) {
    if (cost.back()[i] != kUnreached && (end < 0 || cost.back()[i] < cost.back()[end])) end = i;
  }
  if (end < 0) return result;
  result.found = true;
  result.swaps = cost.back()[end];
  result.gateSwaps.resize(gates.size());
  std::vector<int> from(n);
  std::vector<std::uint16_t> depth(n);
  std::vector<int> queue;
  for (std::size_t k = gates.size(); k-- > 1;) {
    const std::uint16_t c = cost[k][end];
    const std::vector<std::uint16_t>& before = cost[k - 1];
    if (before[end] == c) continue;
    std::fill(depth.begin(), depth.end(), kUnreached);
    queue.assign(1, static_cast<int>(end));
    depth[end] = 0;
    long long found = -1;
    for (std::size_t j = 0; j < queue.size() && found < 0; ++j) {
      const int i = queue[j];
      for (std::size_t e = 0; e < E; ++e) {
        const int t = next[i * E + e];
        if (t < 0 || depth[t] != kUnreached) continue;
        depth[t] = depth[i] + 1;
        from[t] = i;
        if (before[t] != kUnreached && before[t] + depth[t] == c) {
          found = t;
          break;
        }
        queue.push_back(t);
      }
    }
    if (found < 0) return ExactRouting();
    // The SWAPs from `found` to `end`, in the order they are made.
    SwapList& path = result.gateSwaps[k];
    for (long long i = found; i != end; i = from[i]) {
      const long long s = placement[i], t = placement[from[i]];
      for (int q = 0; q < qubits; ++q) {
        const int su = states.siteOf(s, q), st = states.siteOf(t, q);
        if (su != st) {
          path.emplace_back(usable[su], usable[st]);
          break;
        }
      }
    }
    end = found;
  }
  result.start.assign(chip.height(), std::vector<int>(chip.width(), kNoSite));
  for (const Location& l : usable)
    result.start[l.y][l.x] = -1;
  for (int q = 0; q < qubits; ++q) {
    const Location l = usable[states.siteOf(placement[end], q)];
    result.start[l.y][l.x] = original[q];
  }
  return result;
}
