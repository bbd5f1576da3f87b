// The exact router: every placement of the gates' qubits is a state, a SWAP on a usable coupler
// joins two states, and each gate keeps the states where it acts on a coupler.
#include "routing/ExactRouter.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

constexpr std::uint16_t kUnreached = std::numeric_limits<std::uint16_t>::max();

// The placements of k qubits on distinct sites of n, numbered 0 .. n!/(n-k)! - 1: qubit q's
// digit is its site's position among the sites the qubits before it left free, of weight
// (n - 0) x .. x (n - q + 1).
class Placements {
 public:
  Placements(int sites, int qubits) : sites_(sites), qubits_(qubits), weight_(qubits, 1) {
    for (int q = 1; q < qubits; ++q)
      weight_[q] = weight_[q - 1] * (sites - q + 1);
  }
  // The number of the placement with qubit q on site[q].
  long long rank(const std::vector<int>& site) const {
    long long r = 0;
    for (int q = 0; q < qubits_; ++q) {
      int digit = site[q];
      for (int p = 0; p < q; ++p)
        digit -= site[p] < site[q] ? 1 : 0;
      r += digit * weight_[q];
    }
    return r;
  }
  // The sites of placement r, into site.
  void unrank(long long r, std::vector<int>& site, std::vector<char>& used) const {
    std::fill(used.begin(), used.end(), 0);
    for (int q = 0; q < qubits_; ++q) {
      int digit = static_cast<int>(r / weight_[q] % (sites_ - q));
      int s = 0;
      for (;; ++s) {
        if (used[s]) continue;
        if (digit == 0) break;
        --digit;
      }
      site[q] = s;
      used[s] = 1;
    }
  }

 private:
  int sites_, qubits_;
  std::vector<long long> weight_;
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
  long long n = 1;
  for (int q = 0; q < qubits; ++q) {
    n *= sites - q;
    if (n > limit) return result;
  }
  if (n * static_cast<long long>(gates.size()) > limit * 8) return result;
  std::vector<std::vector<char>> coupled(sites, std::vector<char>(sites, 0));
  std::vector<std::pair<int, int>> couplers;
  for (int u = 0; u < sites; ++u) {
    for (int v = u + 1; v < sites; ++v) {
      if (!chip.coupled(usable[u], usable[v])) continue;
      coupled[u][v] = coupled[v][u] = 1;
      couplers.emplace_back(u, v);
    }
  }
  // Every placement's sites, and the placements one SWAP away per coupler (-1 where the SWAP
  // moves nobody).
  const Placements placements(sites, qubits);
  const std::size_t E = couplers.size();
  std::vector<std::uint16_t> siteTable(static_cast<std::size_t>(n) * qubits);
  std::vector<int> next(static_cast<std::size_t>(n) * E, -1);
  std::vector<int> site(qubits), at(sites);
  std::vector<char> used(sites);
  for (long long i = 0; i < n; ++i) {
    placements.unrank(i, site, used);
    std::fill(at.begin(), at.end(), -1);
    for (int q = 0; q < qubits; ++q) {
      siteTable[i * qubits + q] = static_cast<std::uint16_t>(site[q]);
      at[site[q]] = q;
    }
    for (std::size_t e = 0; e < E; ++e) {
      const auto [u, v] = couplers[e];
      if (at[u] < 0 && at[v] < 0) continue;
      if (at[u] >= 0) site[at[u]] = v;
      if (at[v] >= 0) site[at[v]] = u;
      next[i * E + e] = static_cast<int>(placements.rank(site));
      if (at[u] >= 0) site[at[u]] = u;
      if (at[v] >= 0) site[at[v]] = v;
    }
  }
  auto siteOf = [&](long long i, int q) { return siteTable[i * qubits + q]; };

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
      if (here[i] != kUnreached && !coupled[siteOf(i, a)][siteOf(i, b)]) here[i] = kUnreached;
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
      for (int q = 0; q < qubits; ++q) {
        const int su = siteOf(i, q), st = siteOf(from[i], q);
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
    const Location l = usable[siteOf(end, q)];
    result.start[l.y][l.x] = original[q];
  }
  return result;
}
