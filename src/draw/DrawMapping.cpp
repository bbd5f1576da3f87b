#include "draw/DrawMapping.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "draw/SvgText.h"

namespace picturecolour {
const char* const kBackground = "#ffffff";
const char* const kCircuitSite = "#cfe3f6";
const char* const kFillerSite = "#e6e6e6";
const char* const kChangedSite = "#6a3d9a";
const char* const kSwapLevel[5] = {"#c8c8c8", "#fdcc8a", "#fc8d59", "#e34a33", "#b30000"};
}  // namespace picturecolour

namespace {

const double kMargin = 20;
const double kTitleHeight = 56;  // the two title lines and the space under them
const double kLegendHeight = 64;
const double kChartHeight = 150;
const double kMinWidth = 640;
const char* const kText = "#222222";
const char* const kFillerText = "#777777";
const char* const kCircuitOutline = "#4a6f94";
const char* const kFillerOutline = "#a0a0a0";
const char* const kBar = "#9ecae1";
const char* const kChosenBar = "#d62728";

// "1 SWAP", "2 SWAPs".
std::string counted(int n, const std::string& noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

// Approximate width of a text in a sans-serif font of the given size.
double textWidth(const std::string& text, double size) {
  return 0.6 * size * static_cast<double>(text.size());
}

// The sizes of one picture, all derived from the grid's size.
struct Geometry {
  double pitch = 0;  // distance between neighbouring site centres
  double side = 0;   // side of a site's square
  double width = 0;  // of the whole picture
  double height = 0;
  double gridLeft = 0;  // top left corner of the grid
  double gridTop = 0;
  double labelSize = 0;  // font size of the site labels; 0 when they give way to colours
  double countSize = 0;  // font size of the gate counts on the edges; 0 when left out

  double centreX(int x) const { return gridLeft + (x + 0.5) * pitch; }
  double centreY(int y) const { return gridTop + (y + 0.5) * pitch; }
  // The stroke width of an edge of a SWAP level; wider for busier edges.
  double edgeWidth(int level) const {
    const double base = std::min(pitch, 60.0);
    return level == 0 ? std::max(1.0, 0.03 * base) : 0.05 * base + level * 0.035 * base;
  }
};

Geometry geometryOf(const MappingPicture& p, const SeedChart* chart, const std::string& title) {
  Geometry g;
  const int longSide = std::max(1, std::max(p.width, p.height));
  g.pitch = std::clamp(std::floor(720.0 / longSide), 24.0, 120.0);
  g.side = std::round(0.62 * g.pitch);
  std::size_t longest = 1;
  for (const PictureSite& site : p.sites) {
    longest = std::max(longest, site.start.size());
    if (site.end != site.start) longest = std::max(longest, site.end.size() + 2);
  }
  const double label = std::min({0.2 * g.pitch, 14.0, 0.95 * g.side / (0.6 * longest)});
  g.labelSize = label >= 6.5 ? std::floor(label * 2) / 2 : 0;
  const double count = std::min(0.17 * g.pitch, 12.0);
  const double digits = std::to_string(std::max(p.maxGates, 0)).size();
  g.countSize = g.labelSize > 0 && count >= 6.5 && digits * 0.6 * count <= 0.9 * g.pitch
                    ? std::floor(count * 2) / 2
                    : 0;
  g.width =
      std::max({kMinWidth, p.width * g.pitch + 2 * kMargin, textWidth(title, 13) + 2 * kMargin});
  g.gridLeft = std::round((g.width - p.width * g.pitch) / 2);
  g.gridTop = kMargin + kTitleHeight;
  g.height = g.gridTop + p.height * g.pitch + kLegendHeight + kMargin;
  if (chart) g.height += kChartHeight;
  return g;
}

// Writes an SVG element's text to the stream; attributes are given ready-made.
class Svg {
 public:
  std::ostringstream out;

  void text(double x, double y, double size, const std::string& body, const std::string& extra) {
    out << "<text x=\"" << svgNumber(x) << "\" y=\"" << svgNumber(y) << "\" font-size=\""
        << svgNumber(size) << "\"" << extra << ">" << xmlText(body) << "</text>\n";
  }
  void line(double x1, double y1, double x2, double y2, const std::string& colour, double width,
            const std::string& extra = "") {
    out << "<line x1=\"" << svgNumber(x1) << "\" y1=\"" << svgNumber(y1) << "\" x2=\""
        << svgNumber(x2) << "\" y2=\"" << svgNumber(y2) << "\" stroke=\"" << colour
        << "\" stroke-width=\"" << svgNumber(width) << "\"" << extra << "/>\n";
  }
  void rect(double x, double y, double w, double h, const std::string& fill,
            const std::string& extra) {
    out << "<rect x=\"" << svgNumber(x) << "\" y=\"" << svgNumber(y) << "\" width=\""
        << svgNumber(w) << "\" height=\"" << svgNumber(h) << "\" fill=\"" << fill << "\"" << extra
        << "/>\n";
  }
};

std::string titleNumbers(const MappingPicture& p) {
  std::string text = "grid " + std::to_string(p.width) + " x " + std::to_string(p.height) + ", " +
                     counted(p.qubits, "qubit");
  if (p.fillers > 0) text += " (and " + counted(p.fillers, "filler qubit") + ")";
  text += ", " + counted(p.gates, "two-qubit gate") + ", " + counted(p.swaps, "inserted SWAP") +
          ", placement " + (p.restored ? "restored" : "not restored") + " at the end";
  return text;
}

// The dash pattern of an unusable coupler, scaled to the grid.
std::string unusableDash(const Geometry& g) {
  const double dash = std::max(2.0, std::round(0.08 * std::min(g.pitch, 60.0)));
  return " stroke-dasharray=\"" + svgNumber(dash) + " " + svgNumber(dash) + "\"";
}

void drawEdges(const MappingPicture& p, const Geometry& g, Svg& svg) {
  svg.out << "<g stroke-linecap=\"butt\">\n";
  for (const PictureEdge& e : p.edges) {
    if (e.coupler == PictureEdge::kNone) continue;
    const int level = swapLevel(e.swaps, p.maxSwaps);
    if (e.coupler == PictureEdge::kUnusable) {
      // Nothing may use the coupler, so it is drawn thin and dashed, with no numbers.
      svg.out << "<g class=\"edge unusable\"><title>edge (" << e.from.x << "," << e.from.y << ")-("
              << e.to.x << "," << e.to.y << "): unusable coupler</title>";
      svg.line(g.centreX(e.from.x), g.centreY(e.from.y), g.centreX(e.to.x), g.centreY(e.to.y),
               picturecolour::kSwapLevel[0], g.edgeWidth(0), unusableDash(g));
      svg.out << "</g>\n";
      continue;
    }
    svg.out << "<g class=\"edge\"><title>edge (" << e.from.x << "," << e.from.y << ")-(" << e.to.x
            << "," << e.to.y << "): inserted SWAPs " << e.swaps << ", two-qubit gates " << e.gates
            << "</title>";
    svg.line(g.centreX(e.from.x), g.centreY(e.from.y), g.centreX(e.to.x), g.centreY(e.to.y),
             picturecolour::kSwapLevel[level], g.edgeWidth(level));
    svg.out << "</g>\n";
  }
  svg.out << "</g>\n";
}

// The gate counts beside the edges, drawn over the sites so that none is hidden.
void drawEdgeCounts(const MappingPicture& p, const Geometry& g, Svg& svg) {
  if (g.countSize == 0) return;
  svg.out << "<g font-family=\"sans-serif\" fill=\"" << kText << "\">\n";
  for (const PictureEdge& e : p.edges) {
    if (e.gates == 0) continue;
    const double half = g.edgeWidth(swapLevel(e.swaps, p.maxSwaps)) / 2;
    const double midX = (g.centreX(e.from.x) + g.centreX(e.to.x)) / 2;
    const double midY = (g.centreY(e.from.y) + g.centreY(e.to.y)) / 2;
    if (e.from.y == e.to.y) {
      svg.text(midX, midY - half - 2, g.countSize, std::to_string(e.gates),
               " text-anchor=\"middle\"");
    } else {
      svg.text(midX + half + 2, midY + 0.35 * g.countSize, g.countSize, std::to_string(e.gates),
               "");
    }
  }
  svg.out << "</g>\n";
}

void drawSites(const MappingPicture& p, const Geometry& g, Svg& svg) {
  svg.out << "<g font-family=\"sans-serif\" text-anchor=\"middle\">\n";
  const double s = g.side;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const PictureSite& site = p.sites[y * p.width + x];
      if (site.empty) continue;  // a position with no qubit is left blank
      const bool changed = site.end != site.start;
      const double cx = g.centreX(x);
      const double cy = g.centreY(y);
      svg.out << "<g class=\"site\"><title>site (" << x << "," << y << "): starts with "
              << xmlText(site.start) << (site.startFiller ? " (filler)" : "") << ", ends with "
              << xmlText(site.end) << (site.endFiller ? " (filler)" : "") << "</title>";
      std::string outline = changed ? picturecolour::kChangedSite
                                    : (site.startFiller ? kFillerOutline : kCircuitOutline);
      const double outlineWidth = changed ? std::max(2.0, 0.05 * s) : 1;
      svg.rect(cx - s / 2, cy - s / 2, s, s,
               site.startFiller ? picturecolour::kFillerSite : picturecolour::kCircuitSite,
               " rx=\"" + svgNumber(0.12 * s) + "\" stroke=\"" + outline + "\" stroke-width=\"" +
                   svgNumber(outlineWidth) + "\"");
      if (g.labelSize > 0) {
        // The starting qubit above the centre, the final one (when it differs) below it.
        svg.text(cx, cy - 0.12 * s, g.labelSize, site.start,
                 std::string(" fill=\"") + (site.startFiller ? kFillerText : kText) + "\"");
        if (changed) {
          svg.text(cx, cy + 0.12 * s + 0.72 * g.labelSize, g.labelSize, "\u2192 " + site.end,
                   std::string(" fill=\"") + (site.endFiller ? kFillerText : kText) + "\"");
        }
      }
      svg.out << "</g>\n";
    }
  }
  svg.out << "</g>\n";
}

// The SWAP scale, the site colours and what the numbers mean.
void drawLegend(const MappingPicture& p, const Geometry& g, double top, Svg& svg) {
  svg.out << "<g class=\"legend\" font-family=\"sans-serif\" fill=\"" << kText << "\">\n";
  double x = kMargin;
  const double row1 = top + 18;
  svg.text(x, row1 + 4, 12, "Inserted SWAPs per edge:", "");
  x += textWidth("Inserted SWAPs per edge:", 12) + 10;
  int low = 0;
  for (int level = 0; level <= 4; ++level) {
    // Level k > 0 holds the counts above k - 1 quarters of the busiest edge's, up to k quarters.
    const int high = level == 0 ? 0 : static_cast<int>(1LL * p.maxSwaps * level / 4);
    if (level > 0 && high < low) continue;
    const std::string range =
        low == high ? std::to_string(low) : std::to_string(low) + "\u2013" + std::to_string(high);
    svg.line(x, row1, x + 28, row1, picturecolour::kSwapLevel[level], g.edgeWidth(level));
    svg.text(x + 34, row1 + 4, 12, range, "");
    x += 34 + textWidth(range, 12) + 14;
    low = high + 1;
    if (p.maxSwaps == 0) break;
  }
  if (p.unusable) {
    svg.line(x, row1, x + 28, row1, picturecolour::kSwapLevel[0], g.edgeWidth(0), unusableDash(g));
    svg.text(x + 34, row1 + 4, 12, "unusable coupler", "");
  }
  const double row2 = top + 44;
  x = kMargin;
  const struct {
    const char* fill;
    const char* outline;
    const char* label;
  } kinds[] = {{picturecolour::kCircuitSite, kCircuitOutline, "circuit qubit"},
               {picturecolour::kFillerSite, kFillerOutline, "filler qubit"},
               {picturecolour::kCircuitSite, picturecolour::kChangedSite,
                "qubit changed (start above, end below)"}};
  for (const auto& kind : kinds) {
    svg.rect(x, row2 - 10, 14, 14, kind.fill,
             std::string(" rx=\"2\" stroke=\"") + kind.outline + "\" stroke-width=\"2\"");
    svg.text(x + 20, row2 + 2, 12, kind.label, "");
    x += 20 + textWidth(kind.label, 12) + 14;
  }
  const std::string numbers = g.countSize > 0 ? "numbers on edges: two-qubit gates"
                                              : "point at an edge or site for its numbers";
  svg.text(x, row2 + 2, 12, numbers, " fill=\"#555555\"");
  svg.out << "</g>\n";
}

// The lowest value of the chart's axis: 0 when the counts spread over more than half the
// largest, else a round value a little under the smallest, so that differences stay visible.
int axisFloor(int fewest, int most) {
  if (fewest <= most / 2) return 0;
  const int spread = std::max(1, most - fewest);
  int unit = 1;
  while (unit * 10 <= spread)
    unit *= 10;
  return std::max(0, (fewest - spread / 5) / unit * unit);
}

// Bars of the inserted SWAPs of every trial by seed, the chosen trial's bar marked; the heading
// gives the fewest, the median and the most, so that one sees how much the start matters.
void drawChart(const SeedChart& chart, const Geometry& g, double top, Svg& svg) {
  const int n = static_cast<int>(chart.swapsBySeed.size());
  if (n == 0) return;
  std::vector<int> sorted = chart.swapsBySeed;
  std::sort(sorted.begin(), sorted.end());
  const int fewest = sorted.front();
  const int most = std::max(1, sorted.back());
  const int floor = axisFloor(fewest, most);
  const double left = kMargin + 48;
  const double width = g.width - left - kMargin;
  const double barTop = top + 30;
  const double barHeight = kChartHeight - 60;
  const double base = barTop + barHeight;
  svg.out << "<g class=\"chart\" font-family=\"sans-serif\" fill=\"" << kText << "\">\n";
  std::string heading = "Inserted SWAPs of each trial by starting seed: fewest " +
                        std::to_string(fewest) + ", median " + std::to_string(sorted[n / 2]) +
                        ", most " + std::to_string(sorted.back());
  if (chart.chosenSeed >= 0 && chart.chosenSeed < n) {
    heading += "; chosen: seed " + std::to_string(chart.chosenSeed) + " (" +
               std::to_string(chart.swapsBySeed[chart.chosenSeed]) + ")";
  }
  svg.text(kMargin, top + 14, 13, heading, "");
  svg.text(left - 6, barTop + 4, 11, std::to_string(most), " text-anchor=\"end\"");
  svg.text(left - 6, base, 11, std::to_string(floor), " text-anchor=\"end\"");
  const double step = width / n;
  for (int seed = 0; seed < n; ++seed) {
    const bool chosen = seed == chart.chosenSeed;
    const double h =
        barHeight * std::max(0, chart.swapsBySeed[seed] - floor) / std::max(1, most - floor);
    const double w = std::max(chosen ? 2.0 : 0.5, step * 0.8);
    svg.out << "<g class=\"bar\"><title>seed " << seed << ": "
            << counted(chart.swapsBySeed[seed], "inserted SWAP") << (chosen ? " (chosen)" : "")
            << "</title>";
    svg.rect(left + seed * step + (step - w) / 2, base - h, w, h, chosen ? kChosenBar : kBar, "");
    svg.out << "</g>\n";
  }
  svg.line(left, base, left + width, base, "#555555", 1);
  svg.text(left, base + 16, 11, "seed 0", "");
  svg.text(left + width, base + 16, 11, "seed " + std::to_string(n - 1), " text-anchor=\"end\"");
  svg.out << "</g>\n";
}

}  // namespace

int swapLevel(int swaps, int maxSwaps) {
  if (swaps <= 0 || maxSwaps <= 0) return 0;
  return static_cast<int>(std::clamp((4LL * swaps + maxSwaps - 1) / maxSwaps, 1LL, 4LL));
}

std::string drawMapping(const MappingPicture& picture, const SeedChart* chart) {
  const std::string numbers = titleNumbers(picture);
  const Geometry g = geometryOf(picture, chart, numbers);
  Svg svg;
  svg.out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\""
          << svgNumber(g.width) << "\" height=\"" << svgNumber(g.height) << "\" viewBox=\"0 0 "
          << svgNumber(g.width) << " " << svgNumber(g.height) << "\">\n"
          << "<title>" << xmlText(picture.name + ": " + numbers) << "</title>\n";
  svg.rect(0, 0, g.width, g.height, picturecolour::kBackground, "");
  svg.text(kMargin, kMargin + 16, 16, picture.name,
           std::string(" font-family=\"sans-serif\" font-weight=\"bold\" fill=\"") + kText + "\"");
  svg.text(kMargin, kMargin + 36, 13, numbers,
           std::string(" font-family=\"sans-serif\" fill=\"") + kText + "\"");
  drawEdges(picture, g, svg);
  drawSites(picture, g, svg);
  drawEdgeCounts(picture, g, svg);
  const double legendTop = g.gridTop + picture.height * g.pitch;
  drawLegend(picture, g, legendTop, svg);
  if (chart) drawChart(*chart, g, legendTop + kLegendHeight, svg);
  svg.out << "</svg>\n";
  return svg.out.str();
}
