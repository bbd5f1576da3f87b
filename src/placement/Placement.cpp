// Greedy initial placement: a ranked breadth-first walk over the interaction graph that puts
// each qubit on the empty site closest to its placed partners.
#include "placement/Placement.h"

#include <algorithm>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <limits>
#include <queue>
#include <sstream>

int max(int a, int b, int c, int d) {
  return std::max(std::max(a, b), std::max(c, d));
}

double siteCost(double S, int remainingDegree, int remainingAct, int siteFreedom) {
  // The grouping of this arithmetic is fixed: ties between sites are exact comparisons.
  const int D = remainingDegree;
  const int A = remainingAct;
  const int f = siteFreedom;
  const double T = D > 0 ? static_cast<double>(std::min(D - f, 0) * A) / D : 0.0;
  return static_cast<double>(D - f) + 10.0 * (S + T);
}

double costFun(Location& site, std::vector<Location>& anchors, std::vector<int>& weights,
               int remainingDegree, int remainingAct, int siteFreedom) {
  double S = 0.0;
  for (std::size_t i = 0; i < anchors.size(); ++i) {
    const int steps = std::abs(site.x - anchors[i].x) + std::abs(site.y - anchors[i].y) - 1;
    S += static_cast<double>(steps * weights[i]);
  }
  return siteCost(S, remainingDegree, remainingAct, siteFreedom);
}

namespace {

// costFun with the chip's distances in place of the grid's; `anchorRanks` holds the anchors'
// ranks among the chip's live sites.
double chipCost(const Chip& chip, Location site, const std::vector<Location>& anchors,
                const std::vector<int>& anchorRanks, const std::vector<int>& weights,
                int remainingDegree, int remainingAct, int siteFreedom) {
  double S = 0.0;
  // The other anchors are placed qubits' sites, whose distances the table row of the site has.
  const std::uint16_t* from = chip.full() ? nullptr : chip.distancesFrom(chip.rankOf(site));
  for (std::size_t i = 0; i < anchors.size(); ++i) {
    // A weightless anchor (the grid's centre) counts nothing, wherever it lies.
    if (weights[i] == 0) continue;
    const int d = from ? from[anchorRanks[i]] : chip.distance(site, anchors[i]);
    S += static_cast<double>((d - 1) * weights[i]);
  }
  return siteCost(S, remainingDegree, remainingAct, siteFreedom);
}

// Writes a matrix row by row, each value right-aligned in width 3 and followed by a space.
void printMatrix(std::ostream& out, const std::vector<std::vector<int>>& matrix) {
  for (const auto& row : matrix) {
    for (int value : row)
      out << std::setw(3) << value << ' ';
    out << '\n';
  }
}

}  // namespace

namespace {

// A lower bound of the cost of every empty site at distance r or more from anchors[0], or -inf
// when there is none: each anchor's steps are at least r minus its distance from anchors[0],
// less one, and never below -1; the site's freedom is one of 0 .. 4. costFun's rounding only
// grows with its sum of steps, so the bound holds for the costs as computed.
double ringBound(int r, const std::vector<int>& anchorDist, const std::vector<int>& weights,
                 int remainingDegree, int remainingAct) {
  long long S = 0;
  for (std::size_t i = 0; i < weights.size(); ++i) {
    if (weights[i] < 0) return -std::numeric_limits<double>::infinity();
    S += static_cast<long long>(weights[i]) * std::max(r - anchorDist[i] - 1, -1);
  }
  double bound = std::numeric_limits<double>::infinity();
  for (int f = 0; f <= 4; ++f)
    bound = std::min(bound, siteCost(static_cast<double>(S), remainingDegree, remainingAct, f));
  return bound;
}

}  // namespace

Location Grid::placeNeighbor(int idx, int remainingDegree, int remainingAct,
                             std::vector<int> weights, std::vector<Location> anchors) {
  std::string failure;
  const Location site =
      placeBest(idx, remainingDegree, remainingAct, weights, anchors, true, &failure);
  std::cout << failure << std::flush;
  return site;
}

Location Grid::placeBest(int idx, int remainingDegree, int remainingAct, std::vector<int>& weights,
                         std::vector<Location>& anchors, bool stopEarly, std::string* failure) {
  const int x0 = anchors[0].x;
  const int y0 = anchors[0].y;
  const int W = width;
  const int H = height;
  const int maxDist =
      max(std::abs(x0) + std::abs(y0), std::abs(x0 - (W - 1)) + std::abs(y0),
          std::abs(x0) + std::abs(y0 - (H - 1)), std::abs(x0 - (W - 1)) + std::abs(y0 - (H - 1)));
  Location best{-1, -1};
  double bestCost = 2147483647.0;
  std::vector<int> anchorDist(anchors.size());
  for (std::size_t i = 0; i < anchors.size(); ++i)
    anchorDist[i] = distance(anchors[0], anchors[i]);
  std::vector<int> anchorRanks;
  if (chip) {
    for (Location s : anchors)
      anchorRanks.push_back(chip->rankOf(s));
  }
  // Prices an empty site inside the grid; keeps it when strictly cheaper than the best so far.
  auto consider = [&](Location site) {
    if (site.x < 0 || site.x >= W || site.y < 0 || site.y >= H) return;
    if (allocationMap[site.y][site.x] != -1) return;
    const double cost = chip ? chipCost(*chip, site, anchors, anchorRanks, weights, remainingDegree,
                                        remainingAct, freedomMap[site.y][site.x])
                             : costFun(site, anchors, weights, remainingDegree, remainingAct,
                                       freedomMap[site.y][site.x]);
    if (cost < bestCost) {
      bestCost = cost;
      best = site;
    }
  };
  consider({x0, y0});
  for (int r = 1; r <= maxDist; ++r) {
    // Once no farther site can cost less than the best one, the search is over.
    if (stopEarly && ringBound(r, anchorDist, weights, remainingDegree, remainingAct) >= bestCost)
      break;
    int p = r;
    int s = 0;
    int dp = -1;
    int ds = 1;
    for (int step = 0; step < 4 * r; ++step) {
      consider(isTall ? Location{x0 + p, y0 + s} : Location{x0 + s, y0 + p});
      if (p == -r) dp = 1;
      if (s == r) {
        ds = -1;
      } else if (s == -r) {
        ds = 1;
      }
      p += dp;
      s += ds;
    }
  }
  if (best == Location{-1, -1}) {
    if (failure) {
      std::ostringstream report;
      report << "Error of placing qubit!, no allocation found\n";
      report << "maxDist= " << maxDist << '\n';
      report << "idx= " << idx << '\n';
      printMatrix(report, allocationMap);
      printMatrix(report, freedomMap);
      *failure += report.str();
    }
    return best;
  }
  allocationMap[best.y][best.x] = idx;
  updateFreedom(best);
  return best;
}

bool placeQubits(const CircuitModel& model, Grid& workGrid, int seed, bool stopEarly,
                 std::string* failure) {
  const std::vector<Node>& nodes = model.nodes;
  const std::vector<Node>& ranking = model.ranking;
  const int n = static_cast<int>(nodes.size());
  std::vector<bool> placed(n, false);
  std::vector<std::vector<Location>> anchors(n);
  std::vector<std::vector<int>> anchorWeights(n);
  std::vector<int> remainingDegree(n);
  std::vector<int> remainingAct(n);
  for (const Node& node : nodes) {
    remainingDegree[node.vertex] = node.degree;
    remainingAct[node.vertex] = node.act;
  }
  const Location center{workGrid.width / 2, workGrid.height / 2};
  std::queue<Node> nodeQueue;
  std::priority_queue<Node> candidates;

  int placedCount = 0;
  bool firstPass = true;
  while (placedCount < n) {
    int start = -1;
    if (firstPass && seed >= 0 && seed < n) {
      start = ranking[n - 1 - seed].vertex;
    } else {
      for (int i = n - 1; i >= 0 && start < 0; --i) {
        if (!placed[ranking[i].vertex]) start = ranking[i].vertex;
      }
    }
    firstPass = false;
    anchors[start].push_back(center);
    anchorWeights[start].push_back(0);
    nodeQueue.push(nodes[start]);
    while (!nodeQueue.empty()) {
      const int u = nodeQueue.front().vertex;
      nodeQueue.pop();
      if (placed[u]) continue;
      // placeNeighbor's search, without copying the qubit's anchors and weights.
      const Location site = workGrid.placeBest(u, remainingDegree[u], remainingAct[u],
                                               anchorWeights[u], anchors[u], stopEarly, failure);
      // No site was accepted: the report is out, and the placement stops incomplete.
      if (site.x < 0) return false;
      placed[u] = true;
      ++placedCount;
      for (const Partner& partner : model.partners[u]) {
        const int w = partner.qubit;
        const int a = partner.act;
        remainingDegree[w] -= 1;
        remainingAct[w] -= a;
        if (!placed[w]) {
          anchors[w].push_back(site);
          anchorWeights[w].push_back(a);
          candidates.push(nodes[w]);
        }
      }
      while (!candidates.empty()) {
        nodeQueue.push(candidates.top());
        candidates.pop();
      }
    }
  }
  return true;
}
