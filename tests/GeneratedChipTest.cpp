// The generator of chips with holes, its file writer, and the bundled chips it wrote.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "chip/ChipReader.h"
#include "chip/GeneratedChips.h"

namespace {

// Couplers between live neighbours, usable or not.
int neighbourPairs(const Chip& chip) {
  int count = 0;
  for (const ChipQubit& q : chip.qubits())
    count += chip.live({q.site.x + 1, q.site.y}) + chip.live({q.site.x, q.site.y + 1});
  return count;
}

// Expects two chips to have the same grid, qubits and unusable couplers.
void expectSameChip(const Chip& a, const Chip& b) {
  EXPECT_EQ(a.width(), b.width());
  EXPECT_EQ(a.height(), b.height());
  EXPECT_EQ(a.noCouplers(), b.noCouplers());
  const std::vector<ChipQubit> qa = a.qubits(), qb = b.qubits();
  ASSERT_EQ(qa.size(), qb.size());
  for (std::size_t i = 0; i < qa.size(); ++i) {
    EXPECT_EQ(qa[i].index, qb[i].index);
    EXPECT_TRUE(qa[i].site == qb[i].site) << qa[i].index;
  }
}

Chip parsed(const std::string& text) {
  std::istringstream in(text);
  return parseChip(in, "generated.chip");
}

// Missing and dead fractions; a chip with many holes has few couplers to spare, so dead
// couplers come with the smaller fractions of missing qubits.
const std::vector<std::pair<double, double>> kFractions = {
    {0.05, 0.0}, {0.2, 0.0}, {0.4, 0.0}, {0.05, 0.15}, {0.2, 0.05}};

TEST(GeneratedChips, JoinedHoledChipsReadBackFromTheirText) {
  for (const auto& [w, h] :
       std::vector<std::pair<int, int>>{{6, 6}, {7, 10}, {10, 10}, {13, 8}, {16, 11}, {16, 16}}) {
    for (const auto& [missing, dead] : kFractions) {
      for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(testing::Message() << w << "x" << h << " missing " << missing << " dead "
                                        << dead << " seed " << seed);
        const Chip chip = generatedChip(w, h, missing, dead, seed);
        EXPECT_EQ(chip.width(), w);
        EXPECT_EQ(chip.height(), h);
        EXPECT_EQ(chip.liveCount(), w * h - static_cast<int>(missing * (w * h) + 0.5));
        EXPECT_EQ(chip.largestGroup(), chip.liveCount());
        EXPECT_EQ(static_cast<int>(chip.noCouplers().size()),
                  static_cast<int>(dead * neighbourPairs(chip) + 0.5));
        for (const ChipQubit& q : chip.qubits())
          ASSERT_EQ(q.index, q.site.y * w + q.site.x);
        const std::string text = chipText(chip);
        const Chip back = parsed(text);
        expectSameChip(back, chip);
        EXPECT_EQ(chipText(back), text);
        EXPECT_EQ(chipText(generatedChip(w, h, missing, dead, seed)), text);
      }
    }
  }
  EXPECT_NE(chipText(generatedChip(8, 8, 0.2, 0.1, 1)), chipText(generatedChip(8, 8, 0.2, 0.1, 2)));
}

TEST(GeneratedChips, BrokenSitesStayMissingAndCount) {
  const std::vector<Location> segment = {{2, 4}, {3, 4}, {4, 4}, {5, 4}, {6, 4}};
  const Chip chip = generatedChip(10, 10, 0.08, 0.0, 3, segment);
  EXPECT_EQ(chip.liveCount(), 92);
  for (Location s : segment)
    EXPECT_FALSE(chip.live(s));
  EXPECT_EQ(chip.largestGroup(), 92);
  EXPECT_EQ(generatedChip(10, 10, 0.0, 0.0, 3, segment).liveCount(), 95);
}

TEST(GeneratedChips, WritesSizePictureQubitsAndNoCouplers) {
  const Chip chip({{0, {0, 0}}, {1, {1, 0}}, {2, {2, 0}}, {3, {0, 1}}, {10, {2, 1}}}, {{2, 1}});
  EXPECT_EQ(chipText(chip),
            "# 3 x 2 chip: 5 qubits, 3 usable couplers. Picture (device indices, '.' = no qubit,\n"
            "# '-' and '|' = usable couplers):\n"
            "#   0 -  1    2\n"
            "#   |         |\n"
            "#   3    .   10\n"
            "qubit 0 0 0\n"
            "qubit 1 1 0\n"
            "qubit 2 2 0\n"
            "qubit 3 0 1\n"
            "qubit 10 2 1\n"
            "no-coupler 1 2\n");
}

// Arguments the generator refuses, with the exact message.
struct RefusalCase {
  const char* name;
  int width;
  int height;
  double missing;
  double dead;
  std::vector<Location> broken;
  const char* message;
};

class GeneratorRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(GeneratorRefusal, SaysWhy) {
  const RefusalCase& c = GetParam();
  try {
    generatedChip(c.width, c.height, c.missing, c.dead, 1, c.broken);
    ADD_FAILURE() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), c.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    GeneratedChips, GeneratorRefusal,
    testing::Values(
        RefusalCase{"NoColumn", 0, 4, 0.1, 0.0, {}, "the sides of a chip must lie in 1 .. 256"},
        RefusalCase{"TooWide", 257, 4, 0.1, 0.0, {}, "the sides of a chip must lie in 1 .. 256"},
        RefusalCase{"NegativeFraction",
                    6,
                    6,
                    -0.1,
                    0.0,
                    {},
                    "the fractions of missing qubits and dead couplers must lie in 0 .. 1"},
        RefusalCase{"DeadFractionAboveOne",
                    6,
                    6,
                    0.1,
                    1.5,
                    {},
                    "the fractions of missing qubits and dead couplers must lie in 0 .. 1"},
        RefusalCase{
            "BrokenSiteOffTheGrid", 6, 6, 0.1, 0.0, {{6, 0}}, "broken site (6, 0) is off the grid"},
        RefusalCase{"BrokenColumnSplits",
                    6,
                    6,
                    0.0,
                    0.0,
                    {{2, 0}, {2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}},
                    "the broken sites split the chip or leave a row or column empty"},
        RefusalCase{"BrokenEdgeRow",
                    3,
                    3,
                    0.0,
                    0.0,
                    {{0, 2}, {1, 2}, {2, 2}},
                    "the broken sites split the chip or leave a row or column empty"},
        RefusalCase{
            "TooManyQubits", 6, 6, 0.9, 0.0, {}, "cannot take 32 qubits and keep the chip joined"},
        RefusalCase{
            "EveryCoupler", 6, 6, 0.0, 1.0, {}, "cannot take 60 couplers and keep the chip joined"},
        RefusalCase{"DeadCouplersOnLargeFullGrid",
                    100,
                    100,
                    0.0,
                    0.1,
                    {},
                    "a chip with missing qubits or couplers may have at most 4096 qubits"},
        RefusalCase{"HoledTooLarge",
                    100,
                    100,
                    0.5,
                    0.0,
                    {},
                    "a chip with missing qubits or couplers may have at most 4096 qubits"}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

// The generated chips bundled in chips/: file name, the generator's arguments, and what they are.
struct BundledChip {
  const char* file;
  int width;
  int height;
  double missing;
  double dead;
  std::uint32_t seed;
  std::vector<Location> broken;
  const char* what;
};

const std::vector<BundledChip>& bundledChips() {
  static const std::vector<BundledChip> chips = {
      {"grid6x6-two-dead.chip", 6, 6, 0.05, 0.0, 1, {}, "A 6 x 6 grid with two dead qubits"},
      {"grid10x10-dead-segment.chip",
       10,
       10,
       0.0,
       0.08,
       2,
       {{2, 4}, {3, 4}, {4, 4}, {5, 4}, {6, 4}},
       "A 10 x 10 grid with a dead row segment (row 4, columns 2 .. 6) and 8 % of the couplers "
       "unusable"},
      {"grid16x16-20pct-missing.chip",
       16,
       16,
       0.2,
       0.05,
       3,
       {},
       "A 16 x 16 grid with 20 % of its qubits missing and 5 % of the couplers left unusable"},
  };
  return chips;
}

// A bundled chip's file text: what it is and how it was made, then the generator's text.
std::string bundledText(const BundledChip& b) {
  std::ostringstream out;
  out << "# " << b.what << ".\n"
      << "# Written by the chip generator: generatedChip(" << b.width << ", " << b.height << ", "
      << b.missing << ", " << b.dead << ", " << b.seed;
  for (std::size_t i = 0; i < b.broken.size(); ++i)
    out << (i == 0 ? ", {" : ", ") << "{" << b.broken[i].x << ", " << b.broken[i].y << "}"
        << (i + 1 == b.broken.size() ? "}" : "");
  out << ").\n# tests/GeneratedChipTest.cpp checks that this file is what the generator writes.\n";
  return out.str() +
         chipText(generatedChip(b.width, b.height, b.missing, b.dead, b.seed, b.broken));
}

// With GRIDSWAP_WRITE_CHIPS set, the bundled files are written again first.
TEST(BundledChips, AreWhatTheGeneratorWrites) {
  const bool write = std::getenv("GRIDSWAP_WRITE_CHIPS") != nullptr;
  for (const BundledChip& b : bundledChips()) {
    const std::string path = std::string(CHIPS_DIR) + "/" + b.file;
    const std::string text = bundledText(b);
    if (write) testutil::writeFile(path, text);
    EXPECT_EQ(testutil::readFile(path), text) << path;
    expectSameChip(readChip(path),
                   generatedChip(b.width, b.height, b.missing, b.dead, b.seed, b.broken));
  }
}

}  // namespace
