#include "model/CircuitModel.h"

#include <algorithm>

bool operator<(const Node& a, const Node& b) {
  if (a.degree == 0) return b.degree != 0;
  if (b.degree == 0) return false;
  if (a.act != b.act) return a.act < b.act;
  // Compare act/degree as exact fractions by cross-multiplying.
  const long long left = static_cast<long long>(a.act) * b.degree;
  const long long right = static_cast<long long>(b.act) * a.degree;
  if (left != right) return left < right;
  return a.degree < b.degree;
}

bool isTwoQubitGate(const std::string& token) {
  // Sorted by length first: most lines of a circuit are one-qubit gates, refused at a glance.
  switch (token.size()) {
    case 2:
      return token[0] == 'C' && (token[1] == 'Z' || token[1] == 'P');
    case 3:
      return token == "GEO";
    case 4:
      return token == "CNOT" || token == "SWAP" || token == "ZENO";
    default:
      return false;
  }
}

void CircuitModel::addNode(int idx) {
  auto v = boost::add_vertex(graph);
  boost::put(vertex_idx_t(), graph, v, idx);
}

void CircuitModel::addEdge(int u, int v) {
  auto act = boost::get(edge_act_t(), graph);
  if (static_cast<std::size_t>(u) < boost::num_vertices(graph)) {
    for (auto [it, end] = boost::out_edges(u, graph); it != end; ++it) {
      if (static_cast<int>(boost::target(*it, graph)) == v) {
        act[*it] += 1;
        return;
      }
    }
  }
  boost::add_edge(u, v, 1, graph);
}

void CircuitModel::buildMaps() {
  auto idx = boost::get(vertex_idx_t(), graph);
  auto act = boost::get(edge_act_t(), graph);
  const int n = static_cast<int>(boost::num_vertices(graph));
  for (int v = 0; v < n; ++v) {
    Node node{idx[v], static_cast<int>(boost::out_degree(v, graph)), 0};
    for (auto [it, end] = boost::out_edges(v, graph); it != end; ++it)
      node.act += act[*it];
    nodes.push_back(node);
  }
  // The trials' tables: names by index, the ranking sorted once, and every vertex's out-edges.
  names.assign(std::max(nodeNum, 0), std::string());
  for (const auto& [index, name] : idxToName) {
    if (index >= 0 && index < nodeNum) names[index] = name;
  }
  ranking = nodes;
  std::sort(ranking.begin(), ranking.end());
  partners.assign(n, {});
  for (int v = 0; v < n; ++v) {
    for (auto [it, end] = boost::out_edges(v, graph); it != end; ++it)
      partners[v].push_back({idx[boost::target(*it, graph)], act[*it]});
  }
}

std::vector<std::vector<int>> CircuitModel::emptyPlacement() const {
  std::vector<std::vector<int>> alloc(gridHeight, std::vector<int>(gridWidth, -1));
  if (chip && !chip->full()) {
    for (int y = 0; y < gridHeight; ++y) {
      for (int x = 0; x < gridWidth; ++x) {
        if (!chip->usable({x, y})) alloc[y][x] = kNoSite;
      }
    }
  }
  return alloc;
}
