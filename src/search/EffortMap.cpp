#include "search/EffortMap.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "check/CheckMapping.h"
#include "check/TwoQubitDepth.h"
#include "chip/ChipReader.h"
#include "routing/Routers.h"
#include "search/ReversedMapping.h"
#include "search/Walks.h"
#include "util/Files.h"

const char kEffortMapUsage[] =
    "Usage: gridswap-map [--effort default|more|max] [--threads N] [--chip FILE] <input file> "
    "<output file> [<grid W> <grid H> [<window size>]]";

void renderMapping(InterActGraph& graph, const SearchResult& result, std::string& circuitText,
                   std::string& layoutText) {
  circuitText.clear();
  layoutText.clear();
  if (!result.found) return;
  std::ostringstream circuit;
  if (result.router != Router::kWindowed) {
    writeWithSwaps(graph, result.start, result.swaps, circuit, layoutText);
  } else if (result.reversed) {
    std::vector<SwapList> gateSwaps;
    RouteOutput capture;
    capture.gateSwaps = &gateSwaps;
    AllocMatrix start;
    routeWalk(graph, graph.workspace, result.start, reversedWalk(graph.lines), result.window, 0,
              capture, &start, result.weighting);
    writeWithSwaps(graph, start, forwardSwaps(gateSwaps), circuit, layoutText);
  } else {
    graph.grid.allocationMap = result.start;
    graph.workGrid.allocationMap = result.start;
    RouteOutput out;
    out.circuit = &circuit;
    out.layoutText = &layoutText;
    routeWindowed(graph, graph.workspace, result.window, result.weighting, 1, out);
  }
  circuitText = circuit.str();
}

CheckResult writeMapping(InterActGraph& graph, const SearchResult& result,
                         const std::string& outFile, const std::string& layoutFile,
                         const Chip* chip, const std::string& chipName, int* depth) {
  std::string circuitText;
  std::string layoutText;
  renderMapping(graph, result, circuitText, layoutText);
  if (depth) *depth = twoQubitDepth(circuitText);
  // Checked under temporary names beside the outputs, and renamed only when it passes.
  const std::string circuitTemp = outFile + ".unchecked";
  const std::string layoutTemp = layoutFile + ".unchecked";
  auto discard = [&] {
    std::remove(circuitTemp.c_str());
    std::remove(layoutTemp.c_str());
  };
  if (!writeWholeFile(circuitTemp, circuitText)) {
    discard();
    return {1, "Cannot write file: " + outFile};
  }
  if (!writeWholeFile(layoutTemp, layoutText)) {
    discard();
    return {1, "Cannot write file: " + layoutFile};
  }
  const CheckResult check = checkMapping(graph.inFile, circuitTemp, layoutTemp, chip, chipName);
  if (!check.ok()) {
    discard();
    return check;
  }
  if (std::rename(circuitTemp.c_str(), outFile.c_str()) != 0) {
    discard();
    return {1, "Cannot write file: " + outFile};
  }
  if (std::rename(layoutTemp.c_str(), layoutFile.c_str()) != 0) {
    discard();
    return {1, "Cannot write file: " + layoutFile};
  }
  return check;
}

namespace {

// A whole decimal number in 1 .. 1024 for --threads; false otherwise.
bool parseThreads(const std::string& text, int* threads) {
  if (text.empty() || text.size() > 4) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  *threads = std::atoi(text.c_str());
  return *threads >= 1 && *threads <= 1024;
}

// A whole decimal number of at most 9 digits, for the grid and the window.
bool parseCount(const std::string& text, int* value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  *value = std::atoi(text.c_str());
  return true;
}

// A usage error: the usage line with what is wrong in parentheses, on standard error.
int usage(const std::string& what) {
  std::cerr << kEffortMapUsage << " (" << what << ")" << std::endl;
  return 2;
}

double secondsSince(const timespec& start) {
  timespec end;
  clock_gettime(CLOCK_MONOTONIC, &end);
  return static_cast<double>((end.tv_sec - start.tv_sec) * 1000000000LL +
                             (end.tv_nsec - start.tv_nsec)) /
         1e9;
}

}  // namespace

int runMapCommand(const std::vector<std::string>& args) {
  Effort effort = Effort::kDefault;
  std::string effortName = "default";
  int threads = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::string> positional;
  std::string chipFile;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string name = a;
    std::string value;
    bool hasValue = false;
    const std::size_t eq = a.find('=');
    if (a.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
      hasValue = true;
    }
    if (a == "--help") {
      std::cout << kEffortMapUsage << std::endl;
      return 0;
    } else if (name == "--effort" || name == "--threads" || name == "--chip") {
      if (!hasValue) {
        if (i + 1 >= args.size()) return usage(name + " needs a value");
        value = args[++i];
      }
      if (name == "--chip") {
        chipFile = value;
      } else if (name == "--effort") {
        if (!parseEffort(value, &effort)) {
          return usage("--effort needs default, more or max, not \"" + value + "\"");
        }
        effortName = value;
      } else if (!parseThreads(value, &threads)) {
        return usage("--threads needs a whole number from 1 to 1024, not \"" + value + "\"");
      }
    } else if (a.size() > 1 && a[0] == '-') {
      return usage("unknown option " + name);
    } else {
      positional.push_back(a);
    }
  }
  const bool onChip = !chipFile.empty();
  if (onChip && positional.size() != 2 && positional.size() != 3) {
    return usage("with --chip, 2 or 3 arguments expected (the window last), not " +
                 std::to_string(positional.size()));
  }
  if (!onChip && positional.size() != 2 && positional.size() != 4 && positional.size() != 5) {
    return usage("2, 4 or 5 arguments expected, not " + std::to_string(positional.size()));
  }
  int W = 1;
  int H = 1;
  int window = 3;
  for (std::size_t k = 2; k < positional.size(); ++k) {
    int* target = onChip || k == 4 ? &window : k == 2 ? &W : &H;
    if (!parseCount(positional[k], target)) {
      return usage("the grid and the window need whole numbers, not \"" + positional[k] + "\"");
    }
  }
  if (W > kMaxGridSide || H > kMaxGridSide) {
    std::cout << kGridTooLarge << std::endl;
    return 1;
  }
  const std::string& inFile = positional[0];
  const std::string& outFile = positional[1];
  const std::string layoutFile = outFile + ".layout";
  for (const std::string& out : {outFile, layoutFile}) {
    if (sameFile(inFile, out)) {
      std::cout << "Output file would overwrite the input file: " << out << std::endl;
      return 1;
    }
  }

  std::shared_ptr<const Chip> chip;
  if (onChip) {
    try {
      chip = std::make_shared<const Chip>(readChip(chipFile));
    } catch (const ChipError& e) {
      std::cout << e.what() << std::endl;
      return 1;
    }
  }

  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  InterActGraph graph = onChip ? InterActGraph(inFile, chip, -1) : InterActGraph(inFile, W, H, -1);
  if (!graph.readError.empty()) {
    std::cout << graph.readError << std::endl;
    return 1;
  }
  if (graph.qubitNum <= 0) {
    std::cout << "Nothing to map: the circuit declares no qubits" << std::endl;
    return 1;
  }
  const SearchResult result = searchMapping(graph, planFor(effort, window), threads);
  int depth = 0;
  const CheckResult check =
      writeMapping(graph, result, outFile, layoutFile, chip.get(), chipFile, &depth);
  if (!check.ok()) {
    std::cout << check.message << std::endl;
    return 1;
  }
  std::cout << "effort=" << effortName << ", "
            << (onChip ? "chip=" + chipFile
                       : "grid=" + std::to_string(graph.grid.width) + "x" +
                             std::to_string(graph.grid.height))
            << ", window size=" << routingName(result.router, result.window, result.weighting)
            << ", costR=" << result.costs.second << ", costU= " << result.costs.first
            << ", depth=" << depth << std::endl;
  // A stage the search did not reach (it stopped at a perfect placement) shows as "-".
  auto stage = [](int costU) { return costU < 0 ? std::string("-") : std::to_string(costU); };
  std::cout << "starts=" << result.starts << ", routings=" << result.routings;
  if (result.embedSearched)
    std::cout << ", perfect placement " << embedStatusName(result.embedding);
  std::cout << ", default costU=" << stage(result.defaultU)
            << ", before refinement costU=" << stage(result.phaseU)
            << ", before annealing costU=" << stage(result.refinedU)
            << ", candidate=" << result.candidate << ", time=" << secondsSince(start) << std::endl;
  std::cout << check.message << std::endl;
  return 0;
}
