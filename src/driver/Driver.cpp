#include "driver/Driver.h"

#include <time.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <new>
#include <string>

#include "util/Files.h"
#include "driver/Progress.h"
#include "driver/TrialRunner.h"
#include "model/CircuitModel.h"
#include "routing/TrialWorkspace.h"
#include "routing/RouteSearch.h"

namespace {

const char* const kUsage = "<input file> <output file> <grid W> <grid H> <window size>";

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

// Ends a run with one line on `out` and exit status 1.
int fatal(std::ostream& out, const std::string& message) {
  out << message << std::endl;
  return 1;
}

// The run after its arguments are checked; may throw std::bad_alloc and InconsistentSwapPath.
int run(const std::string& inFile, const std::string& outFile, int W, int H, int window,
        std::ostream& out, const DriverOptions& options) {
  const TrialSteps& steps = options.steps ? *options.steps : fastSteps();
  const std::string layoutFile = outFile + ".layout";
  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  const CircuitModel model(inFile, W, H, -1);
  if (!model.readError.empty()) return fatal(out, model.readError);
  out << "#qubit=" << model.qubitNum << std::endl;
  out << "#2qGate: " << model.gateNum << std::endl;
  out << "(W,H)= (" << model.gridWidth << "," << model.gridHeight << ")" << std::endl;
  // Both files are created (or emptied) now, so that a run that cannot write them stops before
  // the trials; they stay open until the best trial's results are written into them.
  std::ofstream circuit(outFile, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!circuit) return fatal(out, "Cannot write file: " + outFile);
  std::ofstream layout(layoutFile, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!layout) return fatal(out, "Cannot write file: " + layoutFile);

  Progress progress(options.progress, model.qubitNum);
  const std::vector<TrialResult> results =
      runAllTrials(model, window, options.workers, steps, progress, options.minParallelSeconds);
  progress.finish();
  // The first failed trial ends the run as it would have in a loop over the seeds.
  for (const TrialResult& result : results) {
    if (result.status == TrialStatus::kPlacementFailed) {
      out << result.failure << std::flush;
      return 1;
    }
    if (result.status == TrialStatus::kSwapPathError) throw InconsistentSwapPath();
    if (result.status == TrialStatus::kOutOfMemory) throw std::bad_alloc();
  }
  const int bestSeed = bestTrial(results);
  int bestU = 2147483647;
  int bestR = 2147483647;
  int bestB = 0;
  if (bestSeed >= 0) {
    bestU = results[bestSeed].costU;
    bestR = results[bestSeed].costR;
    bestB = results[bestSeed].costB;
    // The files on disk are the best trial's: place and route that seed once more, writing.
    TrialWorkspace ws(model);
    steps.place(model, ws, bestSeed, nullptr);
    std::string layoutText;
    RouteOutput output;
    output.circuit = &circuit;
    output.layoutText = &layoutText;
    steps.route(model, ws, window, 1, output);
    layout << layoutText;
  }
  circuit.close();
  if (circuit.fail()) return fatal(out, "Cannot write file: " + outFile);
  layout.close();
  if (layout.fail()) return fatal(out, "Cannot write file: " + layoutFile);

  out << "window size=" << window << ", costB=" << bestB << ", costR=" << bestR
      << ", costU= " << bestU << std::endl;
  out << " ***Synthesis Time=" << secondsSince(start) << "***" << std::endl;
  return 0;
}

}  // namespace

int runGridswap(int argc, char** argv, std::ostream& out, const DriverOptions& options) {
  const int args = argc - 1;
  if (args <= 1 || args == 3 || args == 4) return fatal(out, kUsage);
  const std::string inFile = argv[1];
  const std::string outFile = argv[2];
  int W = 1;
  int H = 1;
  int window = 3;
  if (args == 5) {
    W = toInt(argv[3]);
    H = toInt(argv[4]);
    window = toInt(argv[5]);
    if (W < 0 || H < 0 || static_cast<long long>(W) * H > 2147483647LL) return fatal(out, kUsage);
    if (W > kMaxGridSide || H > kMaxGridSide) return fatal(out, kGridTooLarge);
  }
  for (const std::string& file : {outFile, outFile + ".layout"}) {
    if (sameFile(inFile, file))
      return fatal(out, "Output file would overwrite the input file: " + file);
  }
  try {
    return run(inFile, outFile, W, H, window, out, options);
  } catch (const std::bad_alloc&) {
    return fatal(out, "Out of memory");
  } catch (const InconsistentSwapPath& e) {
    return fatal(out, e.what());
  }
}

int runGridswap(int argc, char** argv) {
  return runGridswap(argc, argv, std::cout, DriverOptions());
}
