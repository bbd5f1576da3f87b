#include "search/Starts.h"

#include <algorithm>
#include <random>

#include "search/EmbeddingSat.h"

namespace {

// Partners of every qubit with the number of gates they share, loops left out.
std::vector<std::vector<std::pair<int, int>>> partners(const InterActGraph& graph) {
  std::vector<std::vector<std::pair<int, int>>> adj(graph.nodeNum > 0 ? graph.nodeNum : 0);
  auto idx = boost::get(vertex_idx_t(), graph.graph);
  auto act = boost::get(edge_act_t(), graph.graph);
  for (auto [e, end] = boost::edges(graph.graph); e != end; ++e) {
    const int u = idx[boost::source(*e, graph.graph)];
    const int v = idx[boost::target(*e, graph.graph)];
    if (u == v || u < 0 || v < 0 || u >= graph.nodeNum || v >= graph.nodeNum) continue;
    adj[u].emplace_back(v, act[*e]);
    adj[v].emplace_back(u, act[*e]);
  }
  return adj;
}

// The sites of the grid in serpentine order.
std::vector<Location> serpentine(int width, int height) {
  std::vector<Location> sites;
  for (int y = 0; y < height; ++y) {
    for (int i = 0; i < width; ++i)
      sites.push_back({y % 2 == 0 ? i : width - 1 - i, y});
  }
  return sites;
}

// Fills `alloc` from an order of qubits; qubits the order misses follow in index order.
AllocMatrix layOut(const InterActGraph& graph, const std::vector<Location>& sites,
                   std::vector<int> order) {
  std::vector<char> seen(graph.nodeNum, 0);
  for (int q : order)
    seen[q] = 1;
  for (int q = 0; q < graph.nodeNum; ++q) {
    if (!seen[q]) order.push_back(q);
  }
  AllocMatrix alloc = graph.emptyPlacement();
  // Sites that hold no qubit on the chip are passed over, keeping the others' order.
  std::size_t next = 0;
  for (std::size_t i = 0; i < sites.size() && next < order.size(); ++i) {
    if (alloc[sites[i].y][sites[i].x] == kNoSite) continue;
    alloc[sites[i].y][sites[i].x] = order[next++];
  }
  return alloc;
}

// Places the qubits of `rest` that have placed partners one by one, the one with the most gates
// with placed partners first, each on the free usable site where those gates span the least
// chip distance; removes them from `rest`.
void placeNearPartners(const InterActGraph& graph, const Chip& chip, AllocMatrix& alloc,
                       std::vector<Location>& at, std::vector<int>& rest) {
  const auto adj = partners(graph);
  std::vector<Location> free;
  for (const ChipQubit& q : chip.qubits()) {
    if (chip.usable(q.site) && alloc[q.site.y][q.site.x] == -1) free.push_back(q.site);
  }
  std::vector<char> done(graph.nodeNum, 0);
  while (true) {
    int best = -1;
    int bestGates = 0;
    for (int q : rest) {
      if (done[q]) continue;
      int gates = 0;
      for (const auto& [w, count] : adj[q])
        gates += at[w].x >= 0 ? count : 0;
      if (gates > bestGates) {
        best = q;
        bestGates = gates;
      }
    }
    if (best < 0) break;
    std::size_t where = 0;
    long long cheapest = -1;
    for (std::size_t i = 0; i < free.size(); ++i) {
      if (alloc[free[i].y][free[i].x] != -1) continue;
      long long cost = 0;
      for (const auto& [w, count] : adj[best]) {
        if (at[w].x >= 0) cost += static_cast<long long>(count) * chip.distance(free[i], at[w]);
      }
      if (cheapest < 0 || cost < cheapest) {
        cheapest = cost;
        where = i;
      }
    }
    if (cheapest < 0) break;
    alloc[free[where].y][free[where].x] = best;
    at[best] = free[where];
    done[best] = 1;
  }
  std::vector<int> left;
  for (int q : rest) {
    if (!done[q]) left.push_back(q);
  }
  rest.swap(left);
}

// The placement of a full or partial embedding: each embedded qubit on its site, the qubits
// with embedded partners near them (placeNearPartners), the others on the remaining live sites
// in index order.
AllocMatrix placementOf(const InterActGraph& graph, const Chip& chip,
                        const std::vector<Location>& sites) {
  AllocMatrix alloc = graph.emptyPlacement();
  std::vector<int> rest;
  std::vector<Location> at(graph.nodeNum, Location{-1, -1});
  for (int q = 0; q < graph.nodeNum; ++q) {
    if (sites[q].x >= 0) {
      alloc[sites[q].y][sites[q].x] = q;
      at[q] = sites[q];
    } else {
      rest.push_back(q);
    }
  }
  placeNearPartners(graph, chip, alloc, at, rest);
  std::size_t next = 0;
  for (const ChipQubit& q : chip.qubits()) {
    if (next < rest.size() && alloc[q.site.y][q.site.x] == -1)
      alloc[q.site.y][q.site.x] = rest[next++];
  }
  return alloc;
}

}  // namespace

AllocMatrix greedyPlacement(InterActGraph& graph, int seed) {
  graph.resetGrid();
  graph.mapToGrid(seed);
  return graph.grid.allocationMap;
}

AllocMatrix serpentinePlacement(const InterActGraph& graph, const std::vector<int>& order) {
  return layOut(graph, serpentine(graph.grid.width, graph.grid.height), order);
}

std::vector<int> chainOrder(const InterActGraph& graph) {
  const auto adj = partners(graph);
  const int n = static_cast<int>(adj.size());
  for (const auto& list : adj) {
    if (list.size() > 2) return {};
  }
  std::vector<char> seen(n, 0);
  std::vector<std::vector<int>> paths;
  for (int start = 0; start < n; ++start) {
    if (seen[start] || adj[start].size() != 1) continue;
    std::vector<int> path;
    int prev = -1;
    for (int q = start; q >= 0;) {
      seen[q] = 1;
      path.push_back(q);
      int next = -1;
      for (const auto& [w, a] : adj[q]) {
        if (w != prev && !seen[w]) next = w;
      }
      prev = q;
      q = next;
    }
    paths.push_back(path);
  }
  for (int q = 0; q < n; ++q) {
    if (!seen[q] && !adj[q].empty()) return {};  // a cycle
  }
  std::stable_sort(paths.begin(), paths.end(),
                   [](const auto& a, const auto& b) { return a.size() > b.size(); });
  std::vector<int> order;
  for (const auto& path : paths)
    order.insert(order.end(), path.begin(), path.end());
  for (int q = 0; q < n; ++q) {
    if (adj[q].empty()) order.push_back(q);
  }
  return order;
}

std::vector<int> depthFirstOrder(const InterActGraph& graph, int root) {
  auto adj = partners(graph);
  const int n = static_cast<int>(adj.size());
  for (auto& list : adj) {
    std::stable_sort(list.begin(), list.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
  }
  std::vector<char> seen(n, 0);
  std::vector<int> order;
  auto walkFrom = [&](int r) {
    std::vector<std::pair<int, std::size_t>> stack{{r, 0}};
    seen[r] = 1;
    order.push_back(r);
    while (!stack.empty()) {
      auto& [q, next] = stack.back();
      if (next == adj[q].size()) {
        stack.pop_back();
        continue;
      }
      const int w = adj[q][next++].first;
      if (seen[w]) continue;
      seen[w] = 1;
      order.push_back(w);
      stack.emplace_back(w, 0);
    }
  };
  if (root >= 0 && root < n) walkFrom(root);
  for (int q = 0; q < n; ++q) {
    if (!seen[q] && !adj[q].empty()) walkFrom(q);
  }
  for (int q = 0; q < n; ++q) {
    if (!seen[q]) order.push_back(q);
  }
  return order;
}

std::vector<int> firstUseOrder(const InterActGraph& graph) {
  const int n = std::max(graph.nodeNum, 0);
  std::vector<char> seen(n, 0);
  std::vector<int> order;
  auto use = [&](int q) {
    if (q >= 0 && q < n && !seen[q]) {
      seen[q] = 1;
      order.push_back(q);
    }
  };
  for (const CircuitLine& line : graph.lines) {
    if (line.kind != CircuitLine::kGate) continue;
    use(line.q1);
    use(line.q2);
  }
  for (int q = 0; q < n; ++q)
    use(q);
  return order;
}

AllocMatrix bandPlacement(const InterActGraph& graph, const std::vector<int>& order, int band) {
  const int width = graph.grid.width;
  const int height = graph.grid.height;
  std::vector<Location> sites;
  for (int strip = 0; strip * band < width; ++strip) {
    for (int r = 0; r < height; ++r) {
      const int y = strip % 2 == 0 ? r : height - 1 - r;
      for (int x = strip * band; x < std::min(width, (strip + 1) * band); ++x)
        sites.push_back({x, y});
    }
  }
  return layOut(graph, sites, order);
}

AllocMatrix randomPlacement(const InterActGraph& graph, std::uint32_t seed) {
  std::mt19937 generator(seed);
  std::vector<int> order(graph.nodeNum);
  for (int q = 0; q < graph.nodeNum; ++q)
    order[q] = q;
  // Fisher-Yates on the generator's raw output, whose sequence the standard fixes.
  for (int i = graph.nodeNum - 1; i > 0; --i)
    std::swap(order[i], order[generator() % static_cast<std::uint32_t>(i + 1)]);
  std::vector<Location> sites;
  for (int y = 0; y < graph.grid.height; ++y) {
    for (int x = 0; x < graph.grid.width; ++x)
      sites.push_back({x, y});
  }
  return layOut(graph, sites, order);
}

EmbedStatus embeddedPlacement(const InterActGraph& graph, const Chip& chip, long long workLimit,
                              AllocMatrix* placement, AllocMatrix* nearly,
                              long long conflictLimit) {
  std::vector<std::pair<int, int>> edges;
  const auto adj = partners(graph);
  for (int u = 0; u < static_cast<int>(adj.size()); ++u) {
    for (const auto& [v, act] : adj[u]) {
      if (u < v) edges.emplace_back(u, v);
    }
  }
  Embedding found = embedGraph(graph.nodeNum, edges, chip, workLimit);
  if (found.status == EmbedStatus::kUnknown && conflictLimit > 0) {
    Embedding solved = satEmbedding(graph.nodeNum, edges, chip, conflictLimit);
    if (solved.status != EmbedStatus::kUnknown) found = std::move(solved);
  }
  if (found.status == EmbedStatus::kUnknown && nearly != nullptr && !found.partial.empty()) {
    *nearly = placementOf(graph, chip, found.partial);
  }
  if (found.status != EmbedStatus::kFound) return found.status;
  *placement = placementOf(graph, chip, found.sites);
  return EmbedStatus::kFound;
}

AllocMatrix prefixPlacement(const InterActGraph& graph, const Chip& chip, long long workLimit) {
  std::vector<std::pair<int, int>> gates;
  for (const CircuitLine& line : graph.lines) {
    if (line.kind == CircuitLine::kGate && line.q1 != line.q2) gates.emplace_back(line.q1, line.q2);
  }
  // Bisection on the prefix length: `low` gates embed, `high` do not (or were not found).
  std::size_t low = 0;
  std::size_t high = gates.size() + 1;
  Embedding best;
  while (high - low > 1) {
    const std::size_t mid = low + (high - low) / 2;
    const std::vector<std::pair<int, int>> prefix(gates.begin(), gates.begin() + mid);
    Embedding found = embedGraph(graph.nodeNum, prefix, chip, workLimit / 16);
    if (found.status == EmbedStatus::kFound) {
      low = mid;
      best = std::move(found);
    } else {
      high = mid;
    }
  }
  if (low == 0) return {};
  return placementOf(graph, chip, best.sites);
}
