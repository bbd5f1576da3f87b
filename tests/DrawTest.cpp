// gridswap-draw as a program: its pictures are well-formed SVG (read by xmllint), show one site per
// grid position and one edge per neighbouring pair with the loads counted while the mapping was
// generated, and render (by rsvg-convert) with the expected colours where sites and edges stand.
#include <unistd.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "TestUtil.h"
#include "draw/DrawMapping.h"

using testutil::quote;
using testutil::readFile;
using testutil::run;
using testutil::RunResult;
using testutil::splitLines;
using testutil::writeFile;

namespace {

// A mapping made up together with what its picture must show.
struct Generated {
  int width = 0;
  int height = 0;
  std::vector<std::string> names;  // header order; qubits from `declared` on are fillers
  int declared = 0;
  std::vector<int> startAt;                                 // grid index -> qubit that starts there
  std::vector<int> endAt;                                   // grid index -> qubit there at the end
  std::map<std::pair<int, int>, std::pair<int, int>> load;  // (index, index) -> (SWAPs, gates)
  int swaps = 0;                                            // inserted SWAP lines
  int gates = 0;                                            // two-qubit gate lines
  std::string mapped;
  std::string layout;
};

// A random mapping on a width x height grid: a random starting placement, then `steps` lines, each
// an inserted SWAP or a two-qubit gate on two neighbouring sites (gates only between circuit
// qubits), with one-qubit lines in between. `names` are the circuit's qubits; fillers fill the
// rest.
Generated generate(int width, int height, std::vector<std::string> names, int steps,
                   unsigned seed) {
  std::mt19937 rng(seed);
  Generated g;
  g.width = width;
  g.height = height;
  g.declared = static_cast<int>(names.size());
  g.names = names;
  for (int k = 0; static_cast<int>(g.names.size()) < width * height; ++k)
    g.names.push_back("xxc" + std::to_string(k));
  const int sites = width * height;
  g.startAt.resize(sites);
  for (int i = 0; i < sites; ++i)
    g.startAt[i] = i;
  std::shuffle(g.startAt.begin(), g.startAt.end(), rng);
  std::vector<int> now = g.startAt;
  auto siteName = [&](int index) { return g.names[g.startAt[index]]; };

  std::ostringstream text;
  text << "# generated\n.qubit " << sites << "\n\n";
  for (const std::string& name : g.names)
    text << "qubit " << name << "\n";
  text << ".begin\n";
  for (int step = 0; step < steps && sites > 1; ++step) {
    int a = 0;
    int b = 0;
    do {
      a = std::uniform_int_distribution<int>(0, sites - 1)(rng);
      const bool across = std::uniform_int_distribution<int>(0, 1)(rng) == 1;
      const int x = a % width + (across ? 1 : 0);
      const int y = a / width + (across ? 0 : 1);
      b = x < width && y < height ? y * width + x : -1;
    } while (b < 0);
    if (std::uniform_int_distribution<int>(0, 1)(rng)) std::swap(a, b);
    auto& counts = g.load[{std::min(a, b), std::max(a, b)}];
    const bool gate = now[a] < g.declared && now[b] < g.declared &&
                      std::uniform_int_distribution<int>(0, 2)(rng) > 0;
    if (gate) {
      const char* forms[] = {"CNOT %s %s ", "CZ %s %s ", "CP %s %s 0.25"};
      char line[512];
      std::snprintf(line, sizeof line, forms[step % 3], siteName(a).c_str(), siteName(b).c_str());
      text << "H " << g.names[now[a]] << "\n" << line << "\n";
      ++counts.second;
      ++g.gates;
    } else {
      text << "SWAP " << siteName(a) << " " << siteName(b) << "\n";
      std::swap(now[a], now[b]);
      ++counts.first;
      ++g.swaps;
    }
  }
  text << ".end\n";
  g.mapped = text.str();
  g.endAt = now;
  std::ostringstream layout;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      layout << g.names[now[y * width + x]] << " ";
    layout << "\n";
  }
  g.layout = layout.str();
  return g;
}

// Circuit qubit names q0, q1, ...
std::vector<std::string> plainNames(int count) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i)
    names.push_back("q" + std::to_string(i));
  return names;
}

// Lines that xmllint prints for an XPath query; fails the test when xmllint fails.
std::vector<std::string> xpath(const std::string& file, const std::string& query) {
  const RunResult r = run("xmllint --xpath " + quote(query) + " " + quote(file) + " 2>&1");
  EXPECT_EQ(r.status, 0) << query << ": " << r.out;
  return splitLines(r.out);
}

// Undoes the escaping that xmllint's output of text nodes keeps.
std::string unescape(std::string text) {
  for (const auto& [entity, c] : std::vector<std::pair<std::string, std::string>>{
           {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}}) {
    for (std::size_t at = 0; (at = text.find(entity, at)) != std::string::npos; at += c.size())
      text.replace(at, entity.size(), c);
  }
  return text;
}

// The attributes of the elements an XPath query selects, one map per element; an element's
// attributes begin with `first`.
std::vector<std::map<std::string, std::string>> attributes(const std::string& file,
                                                           const std::string& elements,
                                                           const std::string& first) {
  std::vector<std::map<std::string, std::string>> result;
  for (const std::string& line : xpath(file, elements + "/@*")) {
    const std::size_t eq = line.find('=');
    const std::string name = line.substr(1, eq - 1);
    if (name == first) result.emplace_back();
    result.back()[name] = line.substr(eq + 2, line.size() - eq - 3);
  }
  return result;
}

struct Rgb {
  int r = -1, g = -1, b = -1;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "rgb(" << c.r << "," << c.g << "," << c.b << ")";
}

Rgb hexColour(const std::string& hex) {
  return Rgb{std::stoi(hex.substr(1, 2), nullptr, 16), std::stoi(hex.substr(3, 2), nullptr, 16),
             std::stoi(hex.substr(5, 2), nullptr, 16)};
}

// A picture rendered by rsvg-convert and decoded from PNG through pngtopnm's binary PPM.
struct Raster {
  int width = 0;
  int height = 0;
  std::string pixels;

  Rgb at(double x, double y) const {
    const int px = static_cast<int>(x);
    const int py = static_cast<int>(y);
    if (px < 0 || py < 0 || px >= width || py >= height) return Rgb{};
    const std::size_t i = 3 * (static_cast<std::size_t>(py) * width + px);
    return Rgb{static_cast<unsigned char>(pixels[i]), static_cast<unsigned char>(pixels[i + 1]),
               static_cast<unsigned char>(pixels[i + 2])};
  }
};

Raster render(const std::string& svg) {
  const std::string png = svg + ".png";
  const std::string ppm = svg + ".ppm";
  const RunResult r = run("rsvg-convert " + quote(svg) + " -o " + quote(png) +
                          " 2>&1 && pngtopnm " + quote(png) + " > " + quote(ppm));
  EXPECT_EQ(r.status, 0) << r.out;
  std::istringstream in(readFile(ppm));
  std::string magic;
  int maxValue = 0;
  Raster raster;
  in >> magic >> raster.width >> raster.height >> maxValue;
  in.get();
  EXPECT_EQ(magic, "P6");
  EXPECT_EQ(maxValue, 255);
  raster.pixels.assign(std::istreambuf_iterator<char>(in), {});
  EXPECT_EQ(raster.pixels.size(), 3u * raster.width * raster.height);
  return raster;
}

std::string position(int index, int width) {
  return "(" + std::to_string(index % width) + "," + std::to_string(index / width) + ")";
}

// A scratch folder removed with everything in it when the test ends, passed or failed.
struct ScratchDir {
  const std::string path = testutil::tempDir();
  ~ScratchDir() { run("rm -rf " + quote(path)); }
};

struct PictureCase {
  const char* name;  // the behaviour the case guards
  int width;
  int height;
  std::vector<std::string> qubits;
  int steps;
};

void PrintTo(const PictureCase& c, std::ostream* out) {
  *out << c.name;
}

class DrawnMapping : public testing::TestWithParam<PictureCase> {
 protected:
  void SetUp() override {
    const PictureCase& c = GetParam();
    mapping = generate(c.width, c.height, c.qubits, c.steps, c.width * 1000 + c.height);
    writeFile(dir + "/m.circ", mapping.mapped);
    writeFile(dir + "/m.circ.layout", mapping.layout);
    svg = dir + "/m.svg";
    drawn = run(std::string(GRIDSWAP_DRAW_BIN) + " " + quote(dir + "/m.circ") + " " + quote(svg) +
                " 2>&1");
  }
  ScratchDir scratch;
  const std::string& dir = scratch.path;
  std::string svg;
  Generated mapping;
  RunResult drawn;
};

// The site titles name each position once, with the starting and final qubit, fillers marked; the
// edge titles name each neighbouring pair once, with the SWAPs and gates generated on it.
TEST_P(DrawnMapping, ShowsEverySiteAndEdgeWithItsCounts) {
  ASSERT_EQ(drawn.status, 0) << drawn.out;
  const RunResult wellFormed = run("xmllint --noout " + quote(svg) + " 2>&1");
  ASSERT_EQ(wellFormed.status, 0) << wellFormed.out;

  const int w = mapping.width;
  std::set<std::string> expectedSites;
  for (int i = 0; i < w * mapping.height; ++i) {
    auto described = [&](int q) {
      std::string name = mapping.names[q];
      std::replace(name.begin(), name.end(), '\xff', '?');
      return name + (q >= mapping.declared ? " (filler)" : "");
    };
    expectedSites.insert("site " + position(i, w) + ": starts with " +
                         described(mapping.startAt[i]) + ", ends with " +
                         described(mapping.endAt[i]));
  }
  std::vector<std::string> siteTitles =
      xpath(svg, "//*[@class='site']/*[local-name()='title']/text()");
  for (std::string& title : siteTitles)
    title = unescape(title);
  EXPECT_EQ(siteTitles.size(), expectedSites.size());
  EXPECT_EQ(std::set<std::string>(siteTitles.begin(), siteTitles.end()), expectedSites);

  std::set<std::string> expectedEdges;
  for (int i = 0; i < w * mapping.height; ++i) {
    for (int j : {i + 1, i + w}) {
      if ((j == i + 1 && j % w == 0) || j >= w * mapping.height) continue;
      const auto counts = mapping.load[{i, j}];
      expectedEdges.insert("edge " + position(i, w) + "-" + position(j, w) + ": inserted SWAPs " +
                           std::to_string(counts.first) + ", two-qubit gates " +
                           std::to_string(counts.second));
    }
  }
  const std::vector<std::string> edgeTitles =
      xpath(svg, "//*[@class='edge']/*[local-name()='title']/text()");
  EXPECT_EQ(edgeTitles.size(), expectedEdges.size());
  EXPECT_EQ(std::set<std::string>(edgeTitles.begin(), edgeTitles.end()), expectedEdges);
}

// Rendered, the centre of every site has its fill colour and the middle of the busiest edge the
// darkest SWAP colour, none of them the background.
TEST_P(DrawnMapping, RendersSiteAndBusiestEdgeColours) {
  ASSERT_EQ(drawn.status, 0) << drawn.out;
  const Raster raster = render(svg);
  const Rgb background = hexColour(picturecolour::kBackground);

  const auto rects = attributes(svg, "//*[@class='site']/*[local-name()='rect']", "x");
  ASSERT_EQ(rects.size(), mapping.startAt.size());
  for (const auto& rect : rects) {
    const double cx = std::stod(rect.at("x")) + std::stod(rect.at("width")) / 2;
    const double cy = std::stod(rect.at("y")) + std::stod(rect.at("height")) / 2;
    const Rgb pixel = raster.at(cx, cy);
    EXPECT_EQ(pixel, hexColour(rect.at("fill"))) << "site centre " << cx << "," << cy;
    EXPECT_FALSE(pixel == background);
  }

  const std::vector<std::string> edgeTitles =
      xpath(svg, "//*[@class='edge']/*[local-name()='title']/text()");
  const auto lines = attributes(svg, "//*[@class='edge']/*[local-name()='line']", "x1");
  ASSERT_EQ(lines.size(), edgeTitles.size());
  std::size_t busiest = 0;
  int most = -1;
  for (std::size_t k = 0; k < edgeTitles.size(); ++k) {
    const std::size_t at = edgeTitles[k].find("SWAPs ") + 6;
    const int swaps = std::stoi(edgeTitles[k].substr(at));
    if (swaps > most) most = swaps, busiest = k;
  }
  ASSERT_GT(most, 0);
  const auto& line = lines[busiest];
  const double mx = (std::stod(line.at("x1")) + std::stod(line.at("x2"))) / 2;
  const double my = (std::stod(line.at("y1")) + std::stod(line.at("y2"))) / 2;
  const Rgb pixel = raster.at(mx, my);
  EXPECT_EQ(pixel, hexColour(picturecolour::kSwapLevel[4])) << edgeTitles[busiest];
  EXPECT_FALSE(pixel == background);
}

const PictureCase kPictures[] = {
    {"SmallestGrid", 2, 2, plainNames(3), 40},
    {"TallGridWithFillers", 3, 5, plainNames(9), 300},
    {"FullTenByTen", 10, 10, plainNames(100), 15000},
    {"LargestReadableGridWithoutLabels", 32, 32, plainNames(200), 4000},
    {"NamesNeedingEscapes", 3, 3, {"a&b", "<q>", "\"x'", "bad\xff", "na\xc3\xafve", "]]>"}, 200},
};

INSTANTIATE_TEST_SUITE_P(Generated, DrawnMapping, testing::ValuesIn(kPictures),
                         [](const testing::TestParamInfo<PictureCase>& info) {
                           return std::string(info.param.name);
                         });

// A chart of the trials by seed has one bar per seed and marks the chosen one only.
TEST(DrawChart, OneBarPerSeedAndTheChosenMarked) {
  const ScratchDir scratch;
  const std::string& dir = scratch.path;
  const Generated g = generate(3, 3, plainNames(7), 50, 7);
  writeFile(dir + "/m.circ", g.mapped);
  writeFile(dir + "/m.circ.layout", g.layout);
  const SeedChart chart{{12, 9, 15, 9, 30, 11, 10}, 1};
  const RunResult r = run(std::string(GRIDSWAP_DRAW_BIN) + " " + quote(dir + "/m.circ") + " " +
                          quote(dir + "/plain.svg"));
  ASSERT_EQ(r.status, 0);
  // The library draws the chart; the program has no chart, so the two must differ only by it.
  MappedCircuit circuit;
  ASSERT_TRUE(readMappedCircuit(dir + "/m.circ", dir + "/m.circ.layout", &circuit).ok());
  MappingPicture picture;
  ASSERT_TRUE(pictureOf(circuit, &picture).ok());
  writeFile(dir + "/chart.svg", drawMapping(picture, &chart));
  ASSERT_EQ(run("xmllint --noout " + quote(dir + "/chart.svg")).status, 0);
  const std::vector<std::string> bars =
      xpath(dir + "/chart.svg", "//*[@class='bar']/*[local-name()='title']/text()");
  ASSERT_EQ(bars.size(), chart.swapsBySeed.size());
  for (std::size_t seed = 0; seed < bars.size(); ++seed) {
    EXPECT_EQ(bars[seed], "seed " + std::to_string(seed) + ": " +
                              std::to_string(chart.swapsBySeed[seed]) + " inserted SWAPs" +
                              (seed == 1 ? " (chosen)" : ""));
  }
  EXPECT_EQ(readFile(dir + "/plain.svg"), drawMapping(picture));
}

struct CommandCase {
  const char* name;  // the behaviour the case guards
  std::string arguments;
  int status;
  std::string out;  // standard output, then standard error after "|"
};

void PrintTo(const CommandCase& c, std::ostream* out) {
  *out << c.name;
}

class DrawCommand : public testing::TestWithParam<CommandCase> {};

// Every outcome of gridswap-draw: exact lines on the right stream with the right exit status.
TEST_P(DrawCommand, PrintsOneLineWithItsStatus) {
  const ScratchDir scratch;
  const std::string& dir = scratch.path;
  const Generated g = generate(2, 3, plainNames(5), 30, 3);
  writeFile(dir + "/m.circ", g.mapped);
  writeFile(dir + "/m.circ.layout", g.layout);
  writeFile(dir + "/far.circ",
            ".qubit 4\n\nqubit a\nqubit b\nqubit c\nqubit d\n.begin\nCNOT a d \n.end\n");
  writeFile(dir + "/far.circ.layout", "a b \nc d \n");
  std::string command =
      "cd " + quote(dir) + " && " + GRIDSWAP_DRAW_BIN + " " + GetParam().arguments;
  const RunResult out = run(command + " 2>/dev/null");
  const RunResult err = run(command + " 2>&1 >/dev/null");
  EXPECT_EQ(out.status, GetParam().status);
  // "{G}" and "{S}" stand for the generated mapping's gates and SWAPs.
  std::string expected = GetParam().out;
  for (const auto& [key, value] : {std::pair{std::string("{G}"), g.gates}, {"{S}", g.swaps}}) {
    const std::size_t at = expected.find(key);
    if (at != std::string::npos) expected.replace(at, key.size(), std::to_string(value));
  }
  EXPECT_EQ(out.out.substr(0, out.out.find('\n') + 1) + "|" + err.out, expected);
  // Nothing but the inputs and a complete picture is left behind.
  const RunResult files = run("cd " + quote(dir) + " && ls");
  const std::string inputs = "far.circ\nfar.circ.layout\nm.circ\nm.circ.layout\n";
  EXPECT_TRUE(files.out == inputs || files.out == inputs + "out.svg\n") << files.out;
}

const std::string kUsage = "Usage: gridswap-draw [options] MAPPED.circ [LAYOUT] OUT.svg";

INSTANTIATE_TEST_SUITE_P(
    Outcomes, DrawCommand,
    testing::Values(
        CommandCase{"WritesPictureWithDefaultLayout", "m.circ out.svg", 0,
                    "out.svg: grid 2 x 3, {G} two-qubit gates, {S} inserted SWAPs\n|"},
        CommandCase{"WritesPictureWithNamedLayout", "m.circ m.circ.layout out.svg", 0,
                    "out.svg: grid 2 x 3, {G} two-qubit gates, {S} inserted SWAPs\n|"},
        CommandCase{"HelpOnStandardOutput", "--help m.circ", 0, kUsage + "\n|"},
        CommandCase{"TooFewArguments", "m.circ", 2,
                    "|" + kUsage + " (2 or 3 file names expected, not 1)\n"},
        CommandCase{"TooManyArguments", "m.circ m.circ.layout out.svg extra", 2,
                    "|" + kUsage + " (2 or 3 file names expected, not 4)\n"},
        CommandCase{"UnknownOption", "--width=3 m.circ out.svg", 2,
                    "|" + kUsage + " (unknown option --width=3)\n"},
        CommandCase{"MissingLayout", "m.circ none.layout out.svg", 1,
                    "|Cannot read file: none.layout\n"},
        CommandCase{
            "GateOnDistantSites", "far.circ out.svg", 1,
            "|FAIL far.circ:8: sites a at (0,0) and d at (1,1) are 2 apart, not adjacent\n"},
        CommandCase{"WouldOverwriteTheLayout", "m.circ m.circ.layout m.circ.layout", 1,
                    "|Output file would overwrite the input file: m.circ.layout\n"},
        CommandCase{"UnwritableFolder", "m.circ no/such/out.svg", 1,
                    "|Cannot write file: no/such/out.svg\n"}),
    [](const testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// gridswap-qasm map --svg draws the mapping it kept, as gridswap-draw draws the same mapping
// written with --native, with one bar per trial and the kept trial, the one with the fewest
// SWAPs, marked.
TEST(MapPicture, DrawsTheKeptMappingWithEveryTrial) {
  const ScratchDir scratch;
  const std::string& dir = scratch.path;
  const RunResult mapped =
      run(std::string(GRIDSWAP_QASM_BIN) + " map --svg " + quote(dir + "/map.svg") + " --native " +
          quote(dir + "/n.circ") + " " +
          quote(std::string(TEST_DATA_DIR) + "/qasmbench/qasmbench-qft_n18.qasm") + " " +
          quote(dir + "/out.qasm") + " 2>&1");
  ASSERT_EQ(mapped.status, 0) << mapped.out;
  const RunResult drawn = run(std::string(GRIDSWAP_DRAW_BIN) + " " + quote(dir + "/n.circ") + " " +
                              quote(dir + "/draw.svg") + " 2>&1");
  ASSERT_EQ(drawn.status, 0) << drawn.out;
  ASSERT_EQ(run("xmllint --noout " + quote(dir + "/map.svg")).status, 0);

  const std::string edges = "//*[@class='edge']/*[local-name()='title']/text()";
  const std::string sites = "//*[@class='site']/*[local-name()='title']/text()";
  EXPECT_EQ(xpath(dir + "/map.svg", edges), xpath(dir + "/draw.svg", edges));
  EXPECT_EQ(xpath(dir + "/map.svg", sites), xpath(dir + "/draw.svg", sites));

  const std::vector<std::string> bars =
      xpath(dir + "/map.svg", "//*[@class='bar']/*[local-name()='title']/text()");
  ASSERT_EQ(bars.size(), 18u);
  int fewest = 1 << 30;
  int chosenSwaps = -1;
  int chosenCount = 0;
  for (const std::string& bar : bars) {
    const int swaps = std::stoi(bar.substr(bar.find(": ") + 2));
    fewest = std::min(fewest, swaps);
    if (bar.find("(chosen)") != std::string::npos) chosenSwaps = swaps, ++chosenCount;
  }
  EXPECT_EQ(chosenCount, 1);
  EXPECT_EQ(chosenSwaps, fewest);
  EXPECT_NE(mapped.out.find(std::to_string(fewest) + " SWAPs inserted"), std::string::npos)
      << mapped.out;
}

}  // namespace
