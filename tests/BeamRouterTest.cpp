// The beam router on full grids and on chips with holes: what it reports is what its SWAPs do.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "Generators.h"
#include "chip/GeneratedChips.h"
#include "routing/BeamRouter.h"

namespace {

struct BeamCase {
  const char* name;
  int width, height;
  double missing, dead;  // of the chip's qubits and couplers; 0 and 0: the full grid
  int qubits;
};

// `qubits` qubits (at most the usable sites) in random order on the chip's usable sites, -1 on
// the usable sites left and kNoSite off the chip.
AllocMatrix randomStart(std::mt19937& rng, const Chip& chip, int qubits) {
  std::vector<Location> usable;
  AllocMatrix alloc(chip.height(), std::vector<int>(chip.width(), kNoSite));
  for (int y = 0; y < chip.height(); ++y) {
    for (int x = 0; x < chip.width(); ++x) {
      if (chip.usable({x, y})) usable.push_back({x, y});
    }
  }
  std::shuffle(usable.begin(), usable.end(), rng);
  for (std::size_t i = 0; i < usable.size(); ++i)
    alloc[usable[i].y][usable[i].x] = static_cast<int>(i) < qubits ? static_cast<int>(i) : -1;
  return alloc;
}

class BeamRouter : public testing::TestWithParam<BeamCase> {};

// Replayed from the start, every SWAP is a usable coupler and brings one of its gate's qubits a
// step closer to the other, every gate then acts on a coupler, and the count and the final
// placement are the ones reported; the same input gives the same routing.
TEST_P(BeamRouter, RoutesEveryGateOnAShortestPathAndReportsWhatItDid) {
  const BeamCase& c = GetParam();
  for (int seed = 1; seed <= gen::cases(12, 4); ++seed) {
    const Chip chip = c.missing > 0 || c.dead > 0
                          ? generatedChip(c.width, c.height, c.missing, c.dead, seed)
                          : Chip::grid(c.width, c.height);
    std::mt19937 rng(seed);
    const int qubits = std::min(c.qubits, chip.largestGroup());
    AllocMatrix start = randomStart(rng, chip, qubits);
    std::vector<CircuitLine> lines(60);
    for (CircuitLine& line : lines) {
      line.kind = gen::chance(rng, 0.1) ? CircuitLine::kOther : CircuitLine::kGate;
      line.q1 = gen::uniform(rng, 0, qubits - 1);
      line.q2 = (line.q1 + gen::uniform(rng, 1, qubits - 1)) % qubits;
    }
    BeamPlan plan;
    plan.width = gen::uniform(rng, 1, 12);
    plan.perState = gen::uniform(rng, 1, 6);
    plan.lookWeight = seed % 2 ? 0.2 : 1.0;
    const BeamRouting r = routeBeam(chip, start, LineView(lines), plan);
    ASSERT_TRUE(r.found) << c.name << " seed " << seed;

    std::vector<Location> site(qubits);
    for (int y = 0; y < chip.height(); ++y) {
      for (int x = 0; x < chip.width(); ++x) {
        if (start[y][x] >= 0) site[start[y][x]] = {x, y};
      }
    }
    AllocMatrix alloc = start;
    int swaps = 0;
    std::size_t gate = 0;
    for (const CircuitLine& line : lines) {
      if (line.kind != CircuitLine::kGate) continue;
      ASSERT_LT(gate, r.gateSwaps.size());
      for (const Swap& s : r.gateSwaps[gate]) {
        ASSERT_TRUE(chip.coupled(s.first, s.second)) << "seed " << seed << " gate " << gate;
        const int before = chip.distance(site[line.q1], site[line.q2]);
        int& qa = alloc[s.first.y][s.first.x];
        int& qb = alloc[s.second.y][s.second.x];
        std::swap(qa, qb);
        if (qa >= 0) site[qa] = s.first;
        if (qb >= 0) site[qb] = s.second;
        EXPECT_EQ(chip.distance(site[line.q1], site[line.q2]), before - 1)
            << "seed " << seed << " gate " << gate;
        ++swaps;
      }
      EXPECT_TRUE(chip.coupled(site[line.q1], site[line.q2]))
          << "seed " << seed << " gate " << gate;
      ++gate;
    }
    EXPECT_EQ(gate, r.gateSwaps.size());
    EXPECT_EQ(swaps, r.swaps);
    EXPECT_EQ(alloc, r.end);
    const BeamRouting again = routeBeam(chip, start, LineView(lines), plan);
    EXPECT_EQ(again.gateSwaps, r.gateSwaps) << "seed " << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(Chips, BeamRouter,
                         testing::Values(BeamCase{"FullGrid", 5, 4, 0, 0, 20},
                                         BeamCase{"HalfFullGrid", 6, 6, 0, 0, 18},
                                         BeamCase{"LineGrid", 7, 1, 0, 0, 6},
                                         BeamCase{"ChipWithHoles", 7, 6, 0.15, 0.1, 30}),
                         [](const testing::TestParamInfo<BeamCase>& info) {
                           return std::string(info.param.name);
                         });

// A gate of a qubit that stands on no site cannot be routed: the beam says so instead of
// guessing a site.
TEST(BeamRouterInput, GivesNoRoutingForAQubitWithoutASite) {
  const Chip chip = Chip::grid(2, 2);
  const AllocMatrix start = {{0, 1}, {-1, -1}};
  std::vector<CircuitLine> lines(1);
  lines[0].kind = CircuitLine::kGate;
  lines[0].q1 = 0;
  lines[0].q2 = 2;
  EXPECT_FALSE(routeBeam(chip, start, LineView(lines), BeamPlan()).found);
  // Also when only a later gate, which the first one's prices look at, has such a qubit.
  lines.resize(2);
  lines[1] = lines[0];
  lines[0].q2 = 1;
  EXPECT_FALSE(routeBeam(chip, start, LineView(lines), BeamPlan()).found);
}

}  // namespace
