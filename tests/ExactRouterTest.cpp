// The exact router against a plain cheapest-path search over (gates run, placement) pairs on
// tiny chips: the same fewest SWAPs, and SWAPs that do what it says.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "Generators.h"
#include "chip/GeneratedChips.h"
#include "routing/ExactRouter.h"

namespace {

// The fewest SWAPs that run `gates` in order on `chip` from any placement of `qubits` qubits on
// its usable sites, by a 0-1 breadth-first search whose states are the gates run so far and the
// site of every qubit.
int fewestSwaps(const Chip& chip, int qubits, const std::vector<std::pair<int, int>>& gates) {
  std::vector<Location> usable;
  for (int y = 0; y < chip.height(); ++y) {
    for (int x = 0; x < chip.width(); ++x) {
      if (chip.usable({x, y})) usable.push_back({x, y});
    }
  }
  typedef std::pair<std::size_t, std::vector<int>> State;  // gates run, usable index per qubit
  std::map<State, int> best;
  std::deque<State> queue;
  std::vector<int> pick(qubits, 0);
  // Every placement of distinct sites starts at 0.
  std::function<void(int)> starts = [&](int q) {
    if (q == qubits) {
      best[{0, pick}] = 0;
      queue.push_back({0, pick});
      return;
    }
    for (int s = 0; s < static_cast<int>(usable.size()); ++s) {
      if (std::find(pick.begin(), pick.begin() + q, s) != pick.begin() + q) continue;
      pick[q] = s;
      starts(q + 1);
    }
  };
  starts(0);
  while (!queue.empty()) {
    const State st = queue.front();
    queue.pop_front();
    const int c = best[st];
    if (st.first == gates.size()) return c;
    const auto [a, b] = gates[st.first];
    if (chip.coupled(usable[st.second[a]], usable[st.second[b]])) {
      const State on{st.first + 1, st.second};
      if (!best.count(on) || best[on] > c) {
        best[on] = c;
        queue.push_front(on);
      }
    }
    for (int u = 0; u < static_cast<int>(usable.size()); ++u) {
      for (int v = u + 1; v < static_cast<int>(usable.size()); ++v) {
        if (!chip.coupled(usable[u], usable[v])) continue;
        State t = st;
        for (int& s : t.second)
          s = s == u ? v : s == v ? u : s;
        if (t.second == st.second) continue;
        if (!best.count(t) || best[t] > c + 1) {
          best[t] = c + 1;
          queue.push_back(t);
        }
      }
    }
  }
  return -1;
}

struct ExactCase {
  const char* name;
  int width, height;
  double missing;  // of the chip's qubits; 0: the full grid
  int qubits;
};

class ExactRouter : public testing::TestWithParam<ExactCase> {};

// Random gate sequences: the exact router needs exactly the fewest SWAPs there are, and
// replayed from its start every gate acts on a coupler after its SWAPs.
TEST_P(ExactRouter, NeedsTheFewestSwapsThereAre) {
  const ExactCase& c = GetParam();
  for (int seed = 1; seed <= gen::cases(6, 2); ++seed) {
    const Chip chip = c.missing > 0 ? generatedChip(c.width, c.height, c.missing, 0, seed)
                                    : Chip::grid(c.width, c.height);
    std::mt19937 rng(seed);
    const int qubits = std::min(c.qubits, chip.largestGroup());
    std::vector<CircuitLine> lines(10);
    std::vector<std::pair<int, int>> gates;
    for (CircuitLine& line : lines) {
      line.kind = CircuitLine::kGate;
      line.q1 = gen::uniform(rng, 0, qubits - 1);
      line.q2 = (line.q1 + gen::uniform(rng, 1, qubits - 1)) % qubits;
    }
    // The router numbers the qubits by first use; the reference takes the same numbers.
    std::vector<int> order;
    auto number = [&](int q) {
      const auto it = std::find(order.begin(), order.end(), q);
      if (it != order.end()) return static_cast<int>(it - order.begin());
      order.push_back(q);
      return static_cast<int>(order.size()) - 1;
    };
    for (const CircuitLine& line : lines) {
      const int a = number(line.q1);
      gates.emplace_back(a, number(line.q2));
    }
    const ExactRouting r = routeExact(chip, LineView(lines), 1000000);
    ASSERT_TRUE(r.found) << c.name << " seed " << seed;
    EXPECT_EQ(r.swaps, fewestSwaps(chip, static_cast<int>(order.size()), gates))
        << c.name << " seed " << seed;

    std::map<int, Location> site;
    for (int y = 0; y < chip.height(); ++y) {
      for (int x = 0; x < chip.width(); ++x) {
        if (r.start[y][x] >= 0) site[r.start[y][x]] = {x, y};
      }
    }
    int swaps = 0;
    for (std::size_t k = 0; k < lines.size(); ++k) {
      for (const Swap& s : r.gateSwaps[k]) {
        ASSERT_TRUE(chip.coupled(s.first, s.second));
        for (auto& [q, at] : site)
          at = at == s.first ? s.second : at == s.second ? s.first : at;
        ++swaps;
      }
      EXPECT_TRUE(chip.coupled(site[lines[k].q1], site[lines[k].q2])) << "seed " << seed;
    }
    EXPECT_EQ(swaps, r.swaps);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Chips, ExactRouter,
    testing::Values(ExactCase{"Square", 2, 2, 0, 4}, ExactCase{"Line", 5, 1, 0, 4},
                    ExactCase{"TwoByThree", 3, 2, 0, 5}, ExactCase{"ChipWithAHole", 3, 3, 0.12, 5}),
    [](const testing::TestParamInfo<ExactCase>& info) { return std::string(info.param.name); });

// More placements than the limit: no routing, rather than a search that does not end.
TEST(ExactRouterLimit, GivesNoRoutingBeyondTheLimit) {
  std::vector<CircuitLine> lines(1);
  lines[0].kind = CircuitLine::kGate;
  lines[0].q1 = 0;
  lines[0].q2 = 5;
  // Two qubits on the 9 sites of a 3 x 3 grid: 9 x 8 placements of distinct sites.
  EXPECT_TRUE(routeExact(Chip::grid(3, 3), LineView(lines), 72).found);
  EXPECT_FALSE(routeExact(Chip::grid(3, 3), LineView(lines), 71).found);
}

}  // namespace
