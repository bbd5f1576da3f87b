// Diagnostic printouts of the circuit model.
#include <algorithm>
#include <iomanip>
#include <iostream>

#include "model/CircuitModel.h"

void CircuitModel::printInfo() const {
  std::cout << "-------- Graph info: ----------" << std::endl;
  std::cout << "vertex --> degree --> act" << std::endl;
  for (const Node& node : nodes) {
    std::cout << node.vertex << " " << node.degree << " " << node.act << std::endl;
  }
}

void CircuitModel::printGraph() const {
  std::cout << "Number of nodes = " << boost::num_vertices(graph) << std::endl;
  std::cout << "Number of edges = " << boost::num_edges(graph) << std::endl;
  std::cout << "u --> v    act" << std::endl;
  auto idx = boost::get(vertex_idx_t(), graph);
  auto act = boost::get(edge_act_t(), graph);
  for (auto [it, end] = boost::edges(graph); it != end; ++it) {
    std::cout << idx[boost::source(*it, graph)] << "     " << idx[boost::target(*it, graph)]
              << "     " << act[*it] << std::endl;
  }
}

void CircuitModel::printNodeRanking() const {
  std::vector<Node> ranking = nodes;
  std::sort(ranking.begin(), ranking.end());
  std::cout << "Node ranking: " << std::endl;
  for (auto it = ranking.rbegin(); it != ranking.rend(); ++it) {
    std::cout << std::setw(2) << it->vertex << ' ';
  }
  std::cout << std::endl;
}
