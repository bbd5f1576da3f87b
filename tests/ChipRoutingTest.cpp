// Mapping onto chips: the chip search against the grid's search on full chips and against the
// enumeration of every shortest chip route on chips with holes, placement on a full chip, the
// refusals of a chip that cannot take a circuit, and whole mappings onto generated chips with
// holes, verified and replayed.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "Generators.h"
#include "MappingReplay.h"
#include "chip/ChipReader.h"
#include "chip/GeneratedChips.h"
#include "placement/Placement.h"
#include "reference/ReferenceVersions.h"
#include "routing/ChipRoutes.h"
#include "routing/MeetingSearch.h"
#include "search/EffortMap.h"

namespace {

// A placement of qubits 0, 1, ... on a random choice of the chip's usable sites (all of them
// when `full`), kNoSite on the others.
AllocMatrix randomPlacement(const Chip& chip, std::mt19937& rng, bool full, int* qubits) {
  AllocMatrix alloc(chip.height(), std::vector<int>(chip.width(), kNoSite));
  std::vector<Location> sites;
  for (const ChipQubit& q : chip.qubits()) {
    if (!chip.usable(q.site)) continue;
    sites.push_back(q.site);
    alloc[q.site.y][q.site.x] = -1;
  }
  std::shuffle(sites.begin(), sites.end(), rng);
  const int count =
      full ? static_cast<int>(sites.size()) : gen::uniform(rng, 1, static_cast<int>(sites.size()));
  for (int q = 0; q < count; ++q)
    alloc[sites[q].y][sites[q].x] = q;
  *qubits = count;
  return alloc;
}

// A buffer of up to `most` gates between random qubits below `qubits` (one of them sometimes
// unplaced, as a gate on a qubit of no site would be).
GateBuffer randomBuffer(std::mt19937& rng, int qubits, int most) {
  GateBuffer buffer;
  const int gates = gen::uniform(rng, 0, most);
  for (int g = 0; g < gates; ++g)
    buffer.emplace_back(gen::uniform(rng, 0, qubits - 1), gen::uniform(rng, 0, qubits - 1));
  return buffer;
}

// The look-ahead set of `buffer` with the sites of `alloc`.
LookaheadSet lookOf(const GateBuffer& buffer, const AllocMatrix& alloc) {
  LookaheadSet look;
  look.assign(buffer);
  for (int y = 0; y < static_cast<int>(alloc.size()); ++y) {
    for (int x = 0; x < static_cast<int>(alloc[y].size()); ++x) {
      const int k = alloc[y][x] >= 0 ? look.find(alloc[y][x]) : -1;
      if (k < 0) continue;
      look.placed[k] = 1;
      look.sites[k] = {x, y};
    }
  }
  return look;
}

// Two usable sites that share no usable coupler, at most `farthest` apart on the chip.
bool randomGate(const Chip& chip, std::mt19937& rng, int farthest, Location* a, Location* b) {
  std::vector<Location> sites;
  for (const ChipQubit& q : chip.qubits()) {
    if (chip.usable(q.site)) sites.push_back(q.site);
  }
  for (int tries = 0; tries < 50; ++tries) {
    *a = sites[gen::uniform(rng, 0, static_cast<int>(sites.size()) - 1)];
    *b = sites[gen::uniform(rng, 0, static_cast<int>(sites.size()) - 1)];
    const int d = chip.distance(*a, *b);
    if (d >= 2 && d <= farthest) return true;
  }
  return false;
}

TEST(ChipSearch, OnAFullChipIsTheGridsSearch) {
  std::mt19937 rng(7);
  MeetingSearch grid;
  ChipMeetingSearch onChip;
  for (int n = 0; n < gen::cases(600, 80); ++n) {
    const int w = gen::uniform(rng, 1, 7);
    const int h = gen::uniform(rng, w == 1 ? 3 : 1, 7);
    const Chip chip = Chip::grid(w, h);
    int qubits = 0;
    const AllocMatrix alloc = randomPlacement(chip, rng, gen::chance(rng, 0.7), &qubits);
    Location a, b;
    if (!randomGate(chip, rng, 100, &a, &b)) continue;
    const GateBuffer buffer = randomBuffer(rng, qubits + 1, 8);
    LookaheadSet look = lookOf(buffer, alloc);
    SwapList gridSwaps, chipSwaps;
    std::pair<Location, Location> gridEnds, chipEnds;
    const double gridCost = grid.route(a, b, w <= h, look, gridSwaps, gridEnds);
    look.chip = &chip;
    const double chipCost = onChip.route(chip, a, b, w <= h, look, chipSwaps, chipEnds);
    ASSERT_EQ(chipSwaps, gridSwaps) << "case " << n;
    ASSERT_EQ(chipEnds, gridEnds) << "case " << n;
    ASSERT_EQ(chipCost, gridCost) << "case " << n;
  }
}

TEST(ChipSearch, WithHolesIsTheEnumerationOfEveryShortestRoute) {
  std::mt19937 rng(11);
  ChipMeetingSearch search;
  int detours = 0;  // gates whose chip distance exceeds their grid distance
  for (int n = 0; n < gen::cases(400, 60); ++n) {
    const int w = gen::uniform(rng, 6, 8);
    const int h = gen::uniform(rng, 6, 8);
    const double missing = gen::uniform(rng, 5, 40) / 100.0;
    const double dead = gen::uniform(rng, 0, 10) / 100.0;
    Chip chip;
    try {
      chip = generatedChip(w, h, missing, dead, static_cast<std::uint32_t>(n));
    } catch (const std::invalid_argument&) {
      continue;  // more to take than a joined chip can lose
    }
    int qubits = 0;
    const AllocMatrix alloc = randomPlacement(chip, rng, gen::chance(rng, 0.7), &qubits);
    Location a, b;
    if (!randomGate(chip, rng, 7, &a, &b)) continue;
    detours += chip.distance(a, b) > dist(a, b);
    const GateBuffer buffer = randomBuffer(rng, qubits + 1, 6);
    LookaheadSet look = lookOf(buffer, alloc);
    look.chip = &chip;
    SwapList fastSwaps, literalSwaps;
    std::pair<Location, Location> fastEnds, literalEnds;
    const double fast = search.route(chip, a, b, w <= h, look, fastSwaps, fastEnds);
    const double literal =
        chipMeetingLiteral(chip, a, b, alloc, buffer, w <= h, literalSwaps, literalEnds);
    ASSERT_EQ(fastSwaps, literalSwaps) << "case " << n;
    ASSERT_EQ(fastEnds, literalEnds) << "case " << n;
    ASSERT_EQ(fast, literal) << "case " << n;
    for (const Swap& s : fastSwaps)
      ASSERT_TRUE(chip.coupled(s.first, s.second)) << "case " << n;
    ASSERT_TRUE(chip.coupled(fastEnds.first, fastEnds.second)) << "case " << n;
  }
  EXPECT_GT(detours, gen::cases(20, 3));
}

TEST(ChipPlacement, OnAFullChipIsTheGridsPlacement) {
  std::mt19937 rng(5);
  for (int n = 0; n < gen::cases(40, 8); ++n) {
    const int w = gen::uniform(rng, 2, 9);
    const int h = gen::uniform(rng, 2, 9);
    std::ostringstream text;
    const int qubits = gen::uniform(rng, 2, w * h);
    for (int q = 0; q < qubits; ++q)
      text << "qubit q" << q << "\n";
    text << ".begin\n";
    for (int g = 0; g < 3 * qubits; ++g) {
      const int u = gen::uniform(rng, 0, qubits - 1);
      text << "CNOT q" << u << " q" << (u + gen::uniform(rng, 1, qubits - 1)) % qubits << "\n";
    }
    text << ".end\n";
    std::istringstream in(text.str());
    const CircuitModel model(in, "random", w, h, -1);
    ASSERT_EQ(model.readError, "");
    const Chip chip = Chip::grid(w, h);
    for (int seed = 0; seed < model.qubitNum; ++seed) {
      Grid plain(w, h);
      Grid general(w, h);
      general.chip = &chip;  // the chip's code path on a chip without holes
      general.resetGrid();
      ASSERT_TRUE(placeQubits(model, plain, seed, true, nullptr));
      ASSERT_TRUE(placeQubits(model, general, seed, true, nullptr));
      ASSERT_EQ(general.allocationMap, plain.allocationMap) << "case " << n << " seed " << seed;
    }
  }
}

TEST(ChipPlacement, WithHolesTheRingSearchStopsWhereEverySitePricedAgrees) {
  std::mt19937 rng(9);
  int placements = 0;
  for (int n = 0; n < gen::cases(30, 6); ++n) {
    Chip chip;
    try {
      chip = generatedChip(gen::uniform(rng, 6, 12), gen::uniform(rng, 6, 12),
                           gen::uniform(rng, 5, 40) / 100.0, gen::uniform(rng, 0, 8) / 100.0,
                           static_cast<std::uint32_t>(n));
    } catch (const std::invalid_argument&) {
      continue;
    }
    const auto shared = std::make_shared<const Chip>(chip);
    std::ostringstream text;
    const int qubits = gen::uniform(rng, 2, shared->largestGroup());
    for (int q = 0; q < qubits; ++q)
      text << "qubit q" << q << "\n";
    text << ".begin\n";
    for (int g = 0; g < 2 * qubits; ++g) {
      const int u = gen::uniform(rng, 0, qubits - 1);
      text << "CNOT q" << u << " q" << (u + gen::uniform(rng, 1, qubits - 1)) % qubits << "\n";
    }
    text << ".end\n";
    std::istringstream in(text.str());
    const CircuitModel model(in, "random", shared, -1);
    ASSERT_EQ(model.readError, "");
    for (int seed = 0; seed < model.qubitNum; seed += 3) {
      Grid bounded(*shared);
      Grid everySite(*shared);
      ASSERT_TRUE(placeQubits(model, bounded, seed, true, nullptr));
      ASSERT_TRUE(placeQubits(model, everySite, seed, false, nullptr));
      ASSERT_EQ(bounded.allocationMap, everySite.allocationMap) << "case " << n << " seed " << seed;
      for (int y = 0; y < shared->height(); ++y) {
        for (int x = 0; x < shared->width(); ++x)
          ASSERT_EQ(bounded.allocationMap[y][x] == kNoSite, !shared->usable({x, y}));
      }
      ++placements;
    }
  }
  EXPECT_GT(placements, 30);
}

// A chip of 2 x 3 sites with the middle of the top row broken, and a separate pair of qubits.
std::shared_ptr<const Chip> splitChip() {
  return std::make_shared<const Chip>(std::vector<ChipQubit>{{0, {0, 0}},
                                                             {2, {2, 0}},
                                                             {3, {0, 1}},
                                                             {4, {1, 1}},
                                                             {5, {2, 1}},
                                                             {7, {5, 0}},
                                                             {8, {5, 1}}},
                                      std::vector<std::pair<int, int>>{});
}

std::string circuitOf(int qubits, const std::string& firstName = "q0") {
  std::string text;
  for (int q = 0; q < qubits; ++q)
    text += "qubit " + (q == 0 ? firstName : "q" + std::to_string(q)) + "\n";
  return text + ".begin\n.end\n";
}

TEST(ChipRefusal, MoreQubitsThanTheChipHas) {
  std::istringstream in(circuitOf(8));
  const CircuitModel model(in, "c", splitChip(), -1);
  EXPECT_EQ(model.readError, "Chip too small: the circuit has 8 qubits, the chip 7");
}

TEST(ChipRefusal, MoreQubitsThanItsLargestGroupHolds) {
  std::istringstream in(circuitOf(6));
  const CircuitModel model(in, "c", splitChip(), -1);
  EXPECT_EQ(model.readError,
            "Chip too small: the circuit has 6 qubits, the largest connected group of the chip "
            "holds 5");
}

TEST(ChipRefusal, AQubitNamedLikeAMissingSite) {
  std::istringstream in(circuitOf(2, "."));
  const CircuitModel model(in, "c", splitChip(), -1);
  EXPECT_EQ(model.readError, "A qubit named \".\" cannot be mapped onto a chip with missing sites");
}

TEST(ChipRefusal, FillersTakeOnlyTheLargestGroup) {
  std::istringstream in(circuitOf(3));
  const CircuitModel model(in, "c", splitChip(), -1);
  ASSERT_EQ(model.readError, "");
  EXPECT_EQ(model.nodeNum, 5);
  int usable = 0;
  for (const auto& row : model.emptyPlacement())
    usable += static_cast<int>(std::count(row.begin(), row.end(), -1));
  EXPECT_EQ(usable, 5);
  EXPECT_EQ(model.emptyPlacement()[0][5], kNoSite);
}

TEST(ChipRefusal, QubitsOutsideTheLargestGroupStayUnusedAndTheMappingChecks) {
  MapOptions options;
  options.chip = splitChip();
  MapNames names;
  names.source = "IN.qasm";
  names.mapped = "OUT.mapped.circ";
  const MapResult r = mapQasm(
      "OPENQASM 2.0;\ninclude \"qelib1.inc\";\nqreg q[3];\ncx q[0],q[2];\ncx q[1],q[2];\ncx "
      "q[0],q[1];\n",
      names, options);
  EXPECT_EQ(r.verification.rfind("OK: 3 two-qubit gates", 0), 0u) << r.verification;
  // The separate pair on column 5 holds no qubit: "." in both rows.
  for (const std::string& row : testutil::splitLines(r.layout))
    EXPECT_EQ(row.substr(row.size() - 2), ". ") << row;
  EXPECT_EQ(replay::walkBack(r, options.chip.get()), r.swaps);
}

TEST(ChipRefusal, AProgramTooLargeForTheChipBeforeAnyWork) {
  MapOptions options;
  options.chip =
      std::make_shared<const Chip>(readChip(std::string(CHIPS_DIR) + "/sycamore54.chip"));
  MapNames names;
  names.source = "IN.qasm";
  names.mapped = "OUT.mapped.circ";
  const std::string program = "OPENQASM 2.0;\nqreg q[60];\n";
  try {
    mapQasm(program, names, options);
    ADD_FAILURE() << "mapped";
  } catch (const MapError& e) {
    EXPECT_STREQ(e.what(), "IN.qasm: Chip too small: the circuit has 60 qubits, the chip 54");
  }
}

TEST(ChipRefusal, GridswapMapTakesNoGridSizeWithAChip) {
  const testutil::RunResult r =
      testutil::run(std::string(GRIDSWAP_MAP_BIN) + " --chip any.chip in.circ out.circ 4 4 2>&1");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, std::string(kEffortMapUsage) +
                       " (with --chip, 2 or 3 arguments expected (the window last), not 4)\n");
}

// An OpenQASM program of `qubits` qubits with CX gates between random qubits, mostly near each
// other in number, and one-qubit gates and measurements between them.
std::string randomProgram(std::mt19937& rng, int qubits, int gates) {
  std::string text = "OPENQASM 2.0;\ninclude \"qelib1.inc\";\nqreg q[" + std::to_string(qubits) +
                     "];\ncreg c[" + std::to_string(qubits) + "];\n";
  for (int g = 0; g < gates; ++g) {
    const int u = gen::uniform(rng, 0, qubits - 1);
    int v = gen::chance(rng, 0.7) ? u + gen::uniform(rng, 1, 3) : gen::uniform(rng, 0, qubits - 1);
    v %= qubits;
    if (v == u) v = (u + 1) % qubits;
    text += "cx q[" + std::to_string(u) + "],q[" + std::to_string(v) + "];\n";
    if (gen::chance(rng, 0.3)) text += "h q[" + std::to_string(v) + "];\n";
  }
  return text + "measure q -> c;\n";
}

// A generated chip with holes: size, missing fraction, unusable fraction of couplers, effort.
struct HoledCase {
  const char* name;
  int side;
  double missing;
  double dead;
  Effort effort;
};

class MapsOntoHoledChip : public testing::TestWithParam<HoledCase> {};

TEST_P(MapsOntoHoledChip, VerifiedAndReplayedOnUsableCouplers) {
  const HoledCase& c = GetParam();
  const bool slow = c.effort != Effort::kDefault;
  for (int n = 0; n < (slow || c.side > 10 ? 1 : gen::cases(6, 2)); ++n) {
    const auto chip = std::make_shared<const Chip>(
        generatedChip(c.side, c.side, c.missing, c.dead, static_cast<std::uint32_t>(100 + n)));
    std::mt19937 rng(n);
    const int qubits = std::max(2, chip->largestGroup() * gen::uniform(rng, 5, 10) / 10);
    MapOptions options;
    options.chip = chip;
    options.effort = c.effort;
    options.window = gen::uniform(rng, 0, 6);
    MapNames names;
    names.source = "random.qasm";
    names.mapped = "random.mapped.circ";
    names.chip = "generated.chip";
    const int gates = c.effort == Effort::kMax ? 16 : slow ? 40 : 3 * qubits;
    const MapResult r = mapQasm(randomProgram(rng, qubits, gates), names, options);
    EXPECT_EQ(r.verification.rfind("OK: ", 0), 0u) << r.verification;
    EXPECT_EQ(replay::walkBack(r, chip.get()), r.swaps) << c.name << " case " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Chips, MapsOntoHoledChip,
    testing::Values(HoledCase{"Side6Few", 6, 0.05, 0.0, Effort::kDefault},
                    HoledCase{"Side8Third", 8, 0.33, 0.05, Effort::kDefault},
                    HoledCase{"Side12DeadCouplers", 12, 0.1, 0.08, Effort::kDefault},
                    HoledCase{"Side16Fifth", 16, 0.2, 0.03, Effort::kDefault},
                    HoledCase{"Side10Tenth", 10, 0.4, 0.0, Effort::kDefault},
                    HoledCase{"Side8More", 8, 0.2, 0.05, Effort::kMore},
                    HoledCase{"Side6Max", 6, 0.1, 0.05, Effort::kMax}),
    [](const testing::TestParamInfo<HoledCase>& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// A program of tests/data, a grid for it, a window and a level.
struct FullCase {
  const char* program;
  int width;
  int height;
  int window;
  Effort effort;
};

class FullChip : public testing::TestWithParam<FullCase> {};

// A chip file of every site and coupler maps as the grid does, byte for byte; only the export's
// comment that names the chip differs.
TEST_P(FullChip, MapsAsTheGridByteForByte) {
  const FullCase& c = GetParam();
  std::vector<ChipQubit> qubits;
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x)
      qubits.push_back({y * c.width + x, {x, y}});
  }
  MapNames names;
  names.source = std::string(TEST_DATA_DIR) + "/qasmbench/" + c.program + ".qasm";
  names.mapped = std::string(c.program) + ".mapped.circ";
  const std::string source = testutil::readFile(names.source);
  MapOptions grid;
  grid.width = c.width;
  grid.height = c.height;
  grid.window = c.window;
  grid.effort = c.effort;
  grid.threads = 2;
  MapOptions chip = grid;
  chip.width = chip.height = 0;
  chip.chip = std::make_shared<const Chip>(qubits, std::vector<std::pair<int, int>>{});
  const MapResult onGrid = mapQasm(source, names, grid);
  const MapResult onChip = mapQasm(source, names, chip);
  EXPECT_EQ(onChip.mapped, onGrid.mapped);
  EXPECT_EQ(onChip.layout, onGrid.layout);
  EXPECT_EQ(onChip.swaps, onGrid.swaps);
  std::vector<std::string> gridLines = testutil::splitLines(onGrid.qasm);
  std::vector<std::string> chipLines = testutil::splitLines(onChip.qasm);
  ASSERT_EQ(chipLines.size(), gridLines.size());
  for (std::size_t i = 0; i < gridLines.size(); ++i) {
    if (gridLines[i].rfind("// grid ", 0) == 0) continue;
    EXPECT_EQ(chipLines[i], gridLines[i]) << "line " << i + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, FullChip,
                         testing::Values(FullCase{"qasmbench-qft_n18", 5, 4, 3, Effort::kDefault},
                                         FullCase{"qasmbench-multiplier_n15", 4, 4, 0,
                                                  Effort::kDefault},
                                         FullCase{"qasmbench-sat_n11", 3, 5, 6, Effort::kDefault},
                                         FullCase{"qasmbench-ising_n26", 9, 3, 3, Effort::kMore},
                                         FullCase{"qasmbench-qaoa_n6", 3, 2, 2, Effort::kMore}),
                         [](const testing::TestParamInfo<FullCase>& info) {
                           std::string name = std::string(info.param.program).substr(10);
                           name = name.substr(0, name.find('_'));
                           return name + "On" + std::to_string(info.param.width) + "x" +
                                  std::to_string(info.param.height) +
                                  (info.param.effort == Effort::kMore ? "More" : "");
                         });

}  // namespace

namespace {

class QuekoMapped : public testing::TestWithParam<std::string> {};

// Every QUEKO circuit has a placement on Sycamore's couplers by construction: more and max map
// it without a SWAP, verified and replayed on the chip's couplers.
TEST_P(QuekoMapped, WithoutASwapOnSycamore) {
  MapOptions options;
  options.chip =
      std::make_shared<const Chip>(readChip(std::string(CHIPS_DIR) + "/sycamore54.chip"));
  MapNames names;
  names.source = std::string(QUEKO_DIR) + "/" + GetParam() + ".qasm";
  names.mapped = GetParam() + ".mapped.circ";
  names.chip = "sycamore54.chip";
  const std::string source = testutil::readFile(names.source);
  for (Effort effort : {Effort::kMore, Effort::kMax}) {
    options.effort = effort;
    const MapResult r = mapQasm(source, names, options);
    EXPECT_EQ(r.swaps, 0) << GetParam();
    EXPECT_EQ(replay::walkBack(r, options.chip.get()), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Circuits, QuekoMapped,
                         testing::Values("54QBT_05CYC_QSE_5", "54QBT_15CYC_QSE_6",
                                         "54QBT_25CYC_QSE_7", "54QBT_35CYC_QSE_9"),
                         [](const testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
