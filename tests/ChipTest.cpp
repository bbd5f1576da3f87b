// The chip model (live sites, couplers, groups, distances) and the chip file reader.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "TestUtil.h"
#include "chip/Chip.h"
#include "chip/ChipReader.h"
#include "chip/GeneratedChips.h"

namespace {

// Usable couplers of a chip, counted from its right and down couplers.
int usableCouplers(const Chip& chip) {
  int count = 0;
  for (const ChipQubit& q : chip.qubits())
    count += chip.couplerRight(q.site) + chip.couplerDown(q.site);
  return count;
}

// Shortest coupler steps from `from` to every qubit, by a breadth-first search over the qubit
// list and the no-coupler pairs alone (not the chip's own neighbour lists); -1 for no path.
std::vector<int> stepsFrom(const std::vector<ChipQubit>& qubits,
                           const std::vector<std::pair<int, int>>& noCouplers, std::size_t from) {
  std::set<std::pair<int, int>> dead;
  for (const auto& [a, b] : noCouplers) {
    dead.insert({a, b});
    dead.insert({b, a});
  }
  auto joined = [&](const ChipQubit& p, const ChipQubit& q) {
    const int d = std::abs(p.site.x - q.site.x) + std::abs(p.site.y - q.site.y);
    return d == 1 && dead.count({p.index, q.index}) == 0;
  };
  std::vector<int> steps(qubits.size(), -1);
  std::deque<std::size_t> queue{from};
  steps[from] = 0;
  while (!queue.empty()) {
    const std::size_t p = queue.front();
    queue.pop_front();
    for (std::size_t q = 0; q < qubits.size(); ++q) {
      if (steps[q] < 0 && joined(qubits[p], qubits[q])) {
        steps[q] = steps[p] + 1;
        queue.push_back(q);
      }
    }
  }
  return steps;
}

// A 5 x 4 chip, '.' no qubit, indices not contiguous, and the coupler 7-8 unusable:
//    0  1  2  .  4
//    5  .  7  8  9
//   10 11 12  . 14
//    .  . 17 18 19
Chip holedChip() {
  std::vector<ChipQubit> qubits;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) {
      const int i = y * 5 + x;
      if (i != 3 && i != 6 && i != 13 && i != 15 && i != 16) qubits.push_back({i, {x, y}});
    }
  }
  return Chip(qubits, {{8, 7}});
}

TEST(ChipModel, FullGridDistancesAreManhattan) {
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {3, 5}, {7, 4}}) {
    const Chip chip = Chip::grid(w, h);
    EXPECT_TRUE(chip.full());
    EXPECT_EQ(chip.liveCount(), w * h);
    EXPECT_EQ(usableCouplers(chip), (w - 1) * h + w * (h - 1));
    for (int a = 0; a < w * h; ++a) {
      for (int b = 0; b < w * h; ++b) {
        const Location s{a % w, a / w}, t{b % w, b / w};
        EXPECT_EQ(chip.distance(s, t), std::abs(s.x - t.x) + std::abs(s.y - t.y));
      }
    }
  }
}

TEST(ChipModel, HoledDistancesEqualBreadthFirstSearch) {
  // The small chip with its dead coupler as given, and a generated one with the dead couplers it
  // reports.
  const Chip generated = generatedChip(12, 9, 0.25, 0.1, 7);
  for (const auto& [chip, dead] : std::vector<std::pair<Chip, std::vector<std::pair<int, int>>>>{
           {holedChip(), {{7, 8}}}, {generated, generated.noCouplers()}}) {
    ASSERT_FALSE(chip.full());
    const std::vector<ChipQubit> qubits = chip.qubits();
    for (std::size_t p = 0; p < qubits.size(); ++p) {
      const std::vector<int> steps = stepsFrom(qubits, dead, p);
      for (std::size_t q = 0; q < qubits.size(); ++q) {
        ASSERT_EQ(chip.distance(qubits[p].site, qubits[q].site),
                  steps[q] < 0 ? Chip::kUnreachable : steps[q])
            << qubits[p].index << " to " << qubits[q].index;
      }
    }
  }
  const Chip chip = holedChip();
  // The detours the hole and the dead coupler force.
  EXPECT_EQ(chip.distance({2, 1}, {3, 1}), 7);  // 7 to 8: round by 12, 17, 18, 19, 14, 9
  EXPECT_EQ(chip.distance({0, 1}, {1, 0}), 2);  // 5 to 1 past the hole at 6
}

TEST(ChipModel, GroupsFollowUsableCouplers) {
  // A group of three, one of seven and a lone qubit:
  //   0 1 . 3
  //   . 5 . 7
  //   8 . . 11
  //   12 13 14 15, with 8-12 unusable
  std::vector<ChipQubit> qubits = {{0, {0, 0}},  {1, {1, 0}},  {3, {3, 0}},  {5, {1, 1}},
                                   {7, {3, 1}},  {8, {0, 2}},  {11, {3, 2}}, {12, {0, 3}},
                                   {13, {1, 3}}, {14, {2, 3}}, {15, {3, 3}}};
  const Chip chip(qubits, {{8, 12}});
  EXPECT_EQ(chip.group({0, 0}), chip.group({1, 1}));
  EXPECT_EQ(chip.group({3, 0}), chip.group({0, 3}));
  EXPECT_NE(chip.group({0, 0}), chip.group({3, 0}));
  EXPECT_NE(chip.group({0, 2}), chip.group({0, 3}));
  EXPECT_EQ(chip.group({2, 0}), -1);
  EXPECT_EQ(chip.largestGroup(), 7);
  EXPECT_EQ(chip.largestGroupId(), chip.group({3, 3}));
  EXPECT_EQ(chip.distance({0, 0}, {3, 0}), Chip::kUnreachable);
  // Of two groups of equal size the first met row by row is the largest.
  const Chip pair({{0, {0, 0}}, {1, {2, 0}}}, {});
  EXPECT_EQ(pair.largestGroup(), 1);
  EXPECT_EQ(pair.largestGroupId(), pair.group({0, 0}));
}

TEST(ChipModel, DeviceIndicesAndSites) {
  const Chip chip = holedChip();
  EXPECT_EQ(chip.width(), 5);
  EXPECT_EQ(chip.height(), 4);
  EXPECT_EQ(chip.liveCount(), 15);
  EXPECT_EQ(chip.registerSize(), 20);
  EXPECT_EQ(chip.deviceIndex({4, 2}), 14);
  EXPECT_EQ(chip.deviceIndex({3, 0}), -1);
  EXPECT_EQ(chip.deviceIndex({5, 0}), -1);
  EXPECT_TRUE(chip.siteOf(17) == (Location{2, 3}));
  EXPECT_TRUE(chip.siteOf(13) == (Location{-1, -1}));
  EXPECT_TRUE(chip.live({4, 0}));
  EXPECT_FALSE(chip.live({1, 1}));
  EXPECT_FALSE(chip.coupled({2, 1}, {3, 1}));
  EXPECT_TRUE(chip.coupled({3, 1}, {4, 1}));
  EXPECT_EQ(chip.neighbours({2, 1}).size(), 2u);  // 2 and 12: 6 is missing, 8 unusable
}

TEST(ChipModel, QubitsAndNoCouplersRebuildTheChip) {
  const Chip chip = holedChip();
  EXPECT_EQ(chip.noCouplers(), (std::vector<std::pair<int, int>>{{7, 8}}));
  const Chip again(chip.qubits(), chip.noCouplers());
  EXPECT_EQ(again.width(), chip.width());
  EXPECT_EQ(again.height(), chip.height());
  EXPECT_EQ(again.noCouplers(), chip.noCouplers());
  ASSERT_EQ(again.qubits().size(), chip.qubits().size());
  for (std::size_t i = 0; i < chip.qubits().size(); ++i) {
    EXPECT_EQ(again.qubits()[i].index, chip.qubits()[i].index);
    EXPECT_TRUE(again.qubits()[i].site == chip.qubits()[i].site);
  }
}

// Reads chip text; the message of the ChipError, or "" when it reads.
std::string readMessage(const std::string& text) {
  std::istringstream in(text);
  try {
    parseChip(in, "dev.chip");
  } catch (const ChipError& e) {
    return e.what();
  }
  return "";
}

// Text of qubit lines for every site of a width x height grid but the first, numbered row by
// row: a chip with a hole.
std::string holedGridText(int width, int height) {
  std::string text;
  for (int i = 1; i < width * height; ++i) {
    text += "qubit " + std::to_string(i) + " " + std::to_string(i % width) + " " +
            std::to_string(i / width) + "\n";
  }
  return text;
}

TEST(ChipReader, ReadsQubitsCommentsAndNoCouplers) {
  std::istringstream in(
      "# a chip\n"
      "no-coupler 9 4   # before its qubits\n"
      "\n"
      "qubit 4 0 0\n"
      "  qubit\t9 1 0#no space before the comment\n"
      "qubit 30 1 1\n");
  const Chip chip = parseChip(in, "dev.chip");
  EXPECT_EQ(chip.width(), 2);
  EXPECT_EQ(chip.height(), 2);
  EXPECT_EQ(chip.liveCount(), 3);
  EXPECT_EQ(chip.registerSize(), 31);
  EXPECT_EQ(chip.noCouplers(), (std::vector<std::pair<int, int>>{{4, 9}}));
  EXPECT_EQ(chip.distance({0, 0}, {1, 0}), Chip::kUnreachable);
}

TEST(ChipReader, ReadsTheLargestChips) {
  std::string full;
  for (int i = 0; i < Chip::kMaxSide * Chip::kMaxSide; ++i) {
    full += "qubit " + std::to_string(i) + " " + std::to_string(i % Chip::kMaxSide) + " " +
            std::to_string(i / Chip::kMaxSide) + "\n";
  }
  std::istringstream in(full);
  EXPECT_EQ(parseChip(in, "dev.chip").liveCount(), Chip::kMaxSide * Chip::kMaxSide);
  std::istringstream holed(holedGridText(64, 64) + "qubit 0 0 64\n");
  EXPECT_EQ(parseChip(holed, "dev.chip").liveCount(), Chip::kMaxHoledQubits);
}

TEST(ChipReader, CannotOpenMissingFileOrFolder) {
  for (const std::string& path : {testutil::tempDir() + "/none.chip", testutil::tempDir()}) {
    try {
      readChip(path);
      ADD_FAILURE() << path;
    } catch (const ChipError& e) {
      EXPECT_STREQ(e.what(), ("Cannot open file: " + path).c_str());
    }
  }
}

TEST(ChipReader, BundledSycamore) {
  const Chip chip = readChip(CHIPS_DIR "/sycamore54.chip");
  EXPECT_EQ(chip.liveCount(), 54);
  EXPECT_EQ(usableCouplers(chip), 88);
  EXPECT_EQ(chip.width(), 10);
  EXPECT_EQ(chip.height(), 10);
  EXPECT_EQ(chip.largestGroup(), 54);
  EXPECT_EQ(chip.registerSize(), 54);
  // Device row r, place c: the site docs/chips.md gives, and couplers only between rows.
  for (const ChipQubit& q : chip.qubits()) {
    const int r = q.index / 6, c = q.index % 6;
    EXPECT_TRUE(q.site == (Location{c + (r + 1) / 2, 5 - c + r / 2})) << q.index;
    for (Location n : chip.neighbours(q.site))
      EXPECT_EQ(std::abs(chip.deviceIndex(n) / 6 - r), 1) << q.index;
  }
}

// Malformed chip files: the first offending line and its exact reason.
struct RejectCase {
  const char* name;
  std::string text;
  const char* message;
};

class ChipRejection : public testing::TestWithParam<RejectCase> {};

TEST_P(ChipRejection, ReportsTheOffendingLine) {
  EXPECT_EQ(readMessage(GetParam().text), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    ChipReader, ChipRejection,
    testing::Values(
        RejectCase{"UnknownKeyword", "qubit 0 0 0\nQubit 1 1 0\n",
                   "dev.chip:2: unknown keyword Qubit"},
        RejectCase{"QubitWithoutIndex", "qubit\n", "dev.chip:1: qubit line without INDEX"},
        RejectCase{"QubitWithoutY", "qubit 0 0 # 0\n", "dev.chip:1: qubit line without Y"},
        RejectCase{"NoCouplerWithoutB", "no-coupler 1\n", "dev.chip:1: no-coupler line without B"},
        RejectCase{"FractionalCoordinate", "qubit 0 1.5 0\n",
                   "dev.chip:1: X is not a whole number: 1.5"},
        RejectCase{"PlusSign", "qubit +1 0 0\n", "dev.chip:1: INDEX is not a whole number: +1"},
        RejectCase{"TrailingLetters", "qubit 0 0 3x\n", "dev.chip:1: Y is not a whole number: 3x"},
        RejectCase{"LoneMinus", "no-coupler - 1\n", "dev.chip:1: A is not a whole number: -"},
        RejectCase{"HexIndex", "no-coupler 0x1 1\n", "dev.chip:1: A is not a whole number: 0x1"},
        RejectCase{"ExtraQubitField", "qubit 0 0 0 0\n",
                   "dev.chip:1: qubit line with an extra field: 0"},
        RejectCase{"ExtraNoCouplerField", "no-coupler 0 1 x\n",
                   "dev.chip:1: no-coupler line with an extra field: x"},
        RejectCase{"NegativeCoordinate", "qubit 0 0 -1\n",
                   "dev.chip:1: Y must lie in 0 .. 255: -1"},
        RejectCase{"CoordinateAtMaxSide", "qubit 0 256 0\n",
                   "dev.chip:1: X must lie in 0 .. 255: 256"},
        RejectCase{"NegativeIndex", "qubit -3 0 0\n",
                   "dev.chip:1: INDEX must lie in 0 .. 65535: -3"},
        RejectCase{"IndexBeyondInt", "qubit 99999999999999999999999 0 0\n",
                   "dev.chip:1: INDEX must lie in 0 .. 65535: 99999999999999999999999"},
        RejectCase{"NoCouplerIndexTooLarge", "no-coupler 1 65536\n",
                   "dev.chip:1: B must lie in 0 .. 65535: 65536"},
        RejectCase{"IndexTwice", "qubit 7 0 0\n\nqubit 7 1 0\n",
                   "dev.chip:3: qubit 7 given twice (first on line 1)"},
        RejectCase{"SiteTwice", "qubit 7 0 0\nqubit 2 1 0\nqubit 3 1 0\n",
                   "dev.chip:3: site (1, 0) already holds qubit 2 (line 2)"},
        RejectCase{"NoCouplerToMissingQubit", "no-coupler 0 5\nqubit 0 0 0\nqubit 1 1 0\n",
                   "dev.chip:1: no-coupler 0 5: qubit 5 is not on the chip"},
        RejectCase{"NoCouplerNotNeighbours", "qubit 0 0 0\nqubit 1 1 1\nno-coupler 1 0\n",
                   "dev.chip:3: no-coupler 1 0: the qubits are not neighbours"},
        RejectCase{"NoCouplerToItself", "qubit 0 0 0\nno-coupler 0 0\n",
                   "dev.chip:2: no-coupler 0 0: the qubits are not neighbours"},
        RejectCase{"NoCouplerTwice", "no-coupler 0 1\nqubit 0 0 0\nqubit 1 0 1\nno-coupler 1 0\n",
                   "dev.chip:4: no-coupler 1 0 given twice (first on line 1)"},
        RejectCase{"MalformedLineBeforeNoCouplerCheck", "no-coupler 0 5\nqubit 0 0\n",
                   "dev.chip:2: qubit line without Y"},
        RejectCase{"OnlyComments", "# qubit 0 0 0\n\n", "dev.chip: the chip has no qubit"},
        RejectCase{"EmptyFile", "", "dev.chip: the chip has no qubit"},
        RejectCase{"HoledChipTooLarge", holedGridText(64, 64) + "qubit 0 0 64\nqubit 9999 1 64\n",
                   "dev.chip: a chip with missing qubits or couplers may have at most 4096 qubits"},
        RejectCase{
            "FullChipWithDeadCouplerTooLarge",
            holedGridText(65, 65) + "qubit 0 0 0\n" + "no-coupler 0 1\n",
            "dev.chip: a chip with missing qubits or couplers may have at most 4096 qubits"}),
    [](const testing::TestParamInfo<RejectCase>& info) { return info.param.name; });

}  // namespace
