#include "driver/Driver.h"

#include <sys/stat.h>
#include <time.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <new>
#include <string>

#include "driver/Files.h"
#include "driver/TrialLoop.h"
#include "model/InterActGraph.h"

namespace {

const char* const kUsage = "<input file> <output file> <grid W> <grid H> <window size>";

// Prints one line on standard output and ends the process with exit status 1.
[[noreturn]] void fatal(const std::string& message) {
  std::cout << message << std::endl;
  std::exit(1);
}

// A numeric argument as strtol reads it in base 10, taken as an int.
int toInt(const char* text) {
  return static_cast<int>(std::strtol(text, nullptr, 10));
}

double secondsSince(const timespec& start) {
  timespec end;
  clock_gettime(CLOCK_MONOTONIC, &end);
  const long long ns =
      (end.tv_sec * 1000000000LL + end.tv_nsec) - (start.tv_sec * 1000000000LL + start.tv_nsec);
  return static_cast<double>(ns) / 1e9;
}

}  // namespace

int runGridswap(int argc, char** argv) {
  std::set_new_handler([] { fatal("Out of memory"); });
  const int args = argc - 1;
  if (args <= 1 || args == 3 || args == 4) fatal(kUsage);
  const std::string inFile = argv[1];
  const std::string outFile = argv[2];
  const std::string layoutFile = outFile + ".layout";
  int W = 1;
  int H = 1;
  int window = 3;
  if (args == 5) {
    W = toInt(argv[3]);
    H = toInt(argv[4]);
    window = toInt(argv[5]);
    if (W < 0 || H < 0 || static_cast<long long>(W) * H > 2147483647LL) fatal(kUsage);
    if (W > kMaxGridSide || H > kMaxGridSide) fatal(kGridTooLarge);
  }
  for (const std::string& out : {outFile, layoutFile}) {
    if (sameFile(inFile, out)) fatal("Output file would overwrite the input file: " + out);
  }

  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  InterActGraph graph(inFile, W, H, -1);
  std::cout << "#qubit=" << graph.qubitNum << std::endl;
  std::cout << "#2qGate: " << graph.gateNum << std::endl;
  std::cout << "(W,H)= (" << graph.workGrid.width << "," << graph.workGrid.height << ")"
            << std::endl;
  // Both files are created (or emptied) now, so that a run that cannot write them stops before
  // the trials; they stay open until the best trial's results are written into them.
  std::ofstream circuit(outFile, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!circuit) fatal("Cannot write file: " + outFile);
  std::ofstream layout(layoutFile, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!layout) fatal("Cannot write file: " + layoutFile);

  const TrialOutcome trials = runTrials(graph, window);
  if (trials.placementFailed) std::exit(1);
  int bestU = 2147483647;
  int bestR = 2147483647;
  int bestB = 0;
  const int bestWindow = window;
  if (trials.bestSeed >= 0) {
    const TrialCosts& best = trials.perSeed[static_cast<std::size_t>(trials.bestSeed)];
    bestU = best.costU;
    bestR = best.costR;
    bestB = best.costB;
  }

  // The files on disk are the best trial's: place and route that seed once more, writing.
  if (trials.bestSeed >= 0) {
    std::string layoutText;
    RouteOutput out;
    out.circuit = &circuit;
    out.layoutText = &layoutText;
    routeSeed(graph, trials.bestSeed, window, out);
    layout << layoutText;
  }
  circuit.close();
  if (circuit.fail()) fatal("Cannot write file: " + outFile);
  layout.close();
  if (layout.fail()) fatal("Cannot write file: " + layoutFile);

  std::cout << "window size=" << bestWindow << ", costB=" << bestB << ", costR=" << bestR
            << ", costU= " << bestU << std::endl;
  std::cout << " ***Synthesis Time=" << secondsSince(start) << "***" << std::endl;
  return 0;
}
