// gridswap-bench: times gridswap on the corpus circuits (bench/circuits) and on generated random
// circuits, with one worker against all workers, and with the fast searches against the
// reference versions, and prints the tables in Markdown.
// Every measurement runs in a child process of its own, so that its peak memory is its own and
// a reference run can be stopped at the time limit.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "driver/Driver.h"
#include "driver/Trials.h"
#include "driver/Workers.h"
#include "driver/InterActGraph.h"
#include "reference/ReferenceVersions.h"

namespace fs = std::filesystem;

namespace {

// Child: the whole program on `input`, writing `output` and its layout; prints the CPU seconds
// spent inside it after its report.
int childFull(const std::string& input, const std::string& output, bool literal) {
  DriverOptions options;
  if (literal) options.steps = &referenceSteps();
  std::vector<std::string> args{"gridswap", input, output};
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  const double start = cpuNow();
  const int status = runGridswap(static_cast<int>(argv.size()), argv.data(), std::cout, options);
  std::cout << "inside " << cpuNow() - start << "\n";
  return status;
}

// One trial of the program's seed loop (placement, baseline and windowed routing, no output);
// false when the placement fails.
bool runTrial(InterActGraph& graph, int seed, int& costB, RouteCosts& costs, bool literal) {
  const TrialResult r =
      runTrial(graph, graph.workspace, seed, 3, literal ? referenceSteps() : fastSteps());
  costB = r.costB;
  costs = {r.costU, r.costR};
  return r.status == TrialStatus::kDone;
}

// Child: the first `trials` trials of the program's seed loop on `input` (placement, baseline
// and windowed routing, no output); prints their CPU seconds, all and first, and their costs.
int childTrials(const std::string& input, int trials, bool literal) {
  InterActGraph graph(input, 1, 1, -1);
  const double start = cpuNow();
  double first = 0.0;
  std::ostringstream costs;
  int costB = 0;
  RouteCosts c;
  for (int seed = 0; seed < trials && seed < graph.qubitNum; ++seed) {
    if (!runTrial(graph, seed, costB, c, literal)) return 1;
    costs << ' ' << costB << '/' << c.first << '/' << c.second;
    if (seed == 0) first = cpuNow() - start;
  }
  std::cout << "cpu " << cpuNow() - start << "\nfirst " << first << "\ncosts" << costs.str()
            << "\n";
  return 0;
}

// One pass over every trial of the seed loop (no reading, no output) in the given version; its
// CPU seconds.
double searchPass(InterActGraph& graph, bool literal) {
  const double begin = cpuNow();
  int costB = 0;
  RouteCosts costs;
  for (int seed = 0; seed < graph.qubitNum; ++seed)
    runTrial(graph, seed, costB, costs, literal);
  return cpuNow() - begin;
}

// The median pass of a block of consecutive passes in one version: at least 3, and at least
// 0.02 s, so that caches hold what this version uses, as they do across a real run's trials.
double searchBlock(InterActGraph& graph, bool literal) {
  std::vector<double> passes;
  const double start = cpuNow();
  while (passes.size() < 3 || cpuNow() - start < 0.02)
    passes.push_back(searchPass(graph, literal));
  return median(passes);
}

// Child: blocks of passes over every trial of `input` in one process, the fast and the reference
// version in turn, for at least `minSeconds` (at least 3 pairs of blocks); prints the median of
// each version's blocks and the median of the pairs' ratios, which holds when the machine's speed
// drifts. This is the search alone, warm, without the fixed costs of a process, of reading the
// circuit and of writing files.
int childSearch(const std::string& input, double minSeconds) {
  InterActGraph graph(input, 1, 1, -1);
  std::vector<double> fast;
  std::vector<double> literal;
  std::vector<double> ratios;
  const double start = cpuNow();
  while (ratios.size() < 3 || cpuNow() - start < minSeconds) {
    fast.push_back(searchBlock(graph, false));
    literal.push_back(searchBlock(graph, true));
    ratios.push_back(literal.back() / fast.back());
  }
  std::cout << "fast " << median(fast) << "\nliteral " << median(literal) << "\nratio "
            << median(ratios) << "\n";
  return 0;
}

// One line of /proc/cpuinfo or /proc/meminfo.
std::string procLine(const std::string& file, const std::string& key) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) {
      const std::size_t colon = line.find(':');
      std::string v = line.substr(colon + 1);
      v.erase(0, v.find_first_not_of(" \t"));
      return v;
    }
  }
  return "unknown";
}

void printMachine(const Options& options) {
  utsname u{};
  uname(&u);
  double load[3] = {0, 0, 0};
  getloadavg(load, 3);
  std::cout << "## Machine\n\n"
            << "- CPU: " << procLine("/proc/cpuinfo", "model name") << ", "
            << sysconf(_SC_NPROCESSORS_ONLN) << " cores online\n"
            << "- Memory: " << procLine("/proc/meminfo", "MemTotal") << "\n"
            << "- System: " << u.sysname << ' ' << u.release << ' ' << u.machine << "\n"
            << "- Compiler: g++ " << __VERSION__ << ", optimised build\n"
            << "- Load average when the run began: " << fixed(load[0], 2) << ' '
            << fixed(load[1], 2) << ' ' << fixed(load[2], 2) << "\n"
            << "- Reference-mode time limit: " << seconds(options.literalLimit) << " per run\n\n"
            << "Times are CPU seconds (user + system) of a child process, which do not count the "
               "time the machine's other work took the core away; wall-clock seconds are given "
               "alongside where they matter. Peak memory is the child's maximum resident set.\n\n";
}

// The longest a single reference trial is given when the full reference run was stopped.
constexpr double kFirstTrialLimit = 60.0;

// Circuits whose reference run is shorter than this also get the trials timed alone.
constexpr double kSearchTableLimit = 0.1;

// Runs of under a second are repeated this many times, and the median one is reported.
constexpr int kShortRunRepeats = 7;

// The full program on `input` in a child, writing `output`: once, or for a short run several
// times, keeping the run with the median inside time. Each run starts without output files, so
// that it does not pay the file system for discarding the previous run's.
Run fullRun(const std::string& input, const std::string& output, bool literal, double limit,
            const std::string& scratch) {
  std::vector<std::string> args{"--child-full", input, output};
  if (literal) args.push_back("--literal");
  std::vector<std::pair<double, Run>> runs;
  for (int i = 0; i < kShortRunRepeats; ++i) {
    fs::remove(output);
    fs::remove(output + ".layout");
    Run run = spawn(args, limit, scratch);
    const bool repeat = run.finished && run.cpu < 1.0;
    runs.push_back({std::atof(field(run.out, "inside ").c_str()), std::move(run)});
    if (!repeat) break;
  }
  std::sort(runs.begin(), runs.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  return runs[runs.size() / 2].second;
}

// The corpus table: every circuit at its natural grid with window 3.
void corpusTable(const Options& options, const fs::path& dir, const std::string& scratch) {
  std::cout << "## Corpus circuits\n\n";
  if (!fs::is_directory(dir)) {
    std::cout << "The corpus folder " << dir.string() << " is absent; this table is skipped.\n\n";
    return;
  }
  const std::vector<fs::path> files = corpusFiles(dir, options.only);
  std::vector<std::string> searchRows;  // the trials-alone table, printed after the main one
  std::cout << "From " << dir.string() << ", each at its natural grid (the default 1 x 1 request, "
            << "enlarged by the reader) with window 3: the full run, one trial per declared "
            << "qubit plus the re-routing of the best one. Per trial = inside CPU time / "
            << "trials. Process = CPU time of the whole process, start-up included; inside = "
            << "CPU time within the program's run, which the per-trial time and the speed-up "
            << "use. Reference = the same run with the reference versions (route enumeration, "
            << "per-route copies, full history walks and scans, the circuit text re-read by "
            << "every router), stopped after " << seconds(options.literalLimit) << "; when "
            << "stopped, the first trial of each version is timed instead (the reference's for "
            << "at most " << seconds(kFirstTrialLimit) << ") and compared, costs included. "
            << "Identical = same report "
            << "(but the time line), mapped circuit and layout file. Runs under a second are "
            << "repeated " << kShortRunRepeats << " times and the median (by inside time) is "
            << "given; every run writes fresh output files, so that discarding the previous "
            << "run's files, which the file system may make costly, is not counted.\n\n"
            << "| circuit | grid | trials | 2q gates | process (CPU) | inside (CPU) | wall | "
               "per trial | peak memory | reference inside (CPU) | speed-up | identical |\n"
            << "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|\n";
  for (const fs::path& file : files) {
    const std::string fastOut = scratch + "/fast.circ";
    const std::string literalOut = scratch + "/literal.circ";
    const Run fast = fullRun(file.string(), fastOut, false, 0, scratch);
    const std::string report = fast.out;
    // "(W,H)= (8,9)" reads as 8 x 9.
    std::string grid = field(report, "(W,H)= ");
    if (grid.size() > 2)
      grid = grid.substr(1, grid.size() - 2).replace(grid.find(',') - 1, 1, " x ");
    const int trials = std::atoi(field(report, "#qubit=").c_str());
    std::cout << "| " << file.stem().string() << " | " << grid << " | " << trials << " | "
              << field(report, "#2qGate: ") << " | ";
    if (!fast.finished) {
      std::cout << "failed | | | | | | | |\n" << std::flush;
      continue;
    }
    const double inside = std::atof(field(report, "inside ").c_str());
    std::cout << seconds(fast.cpu) << " | " << seconds(inside) << " | " << seconds(fast.wall)
              << " | " << seconds(inside / std::max(trials, 1)) << " | " << megabytes(fast.maxRssKb)
              << " | ";
    if (!options.literal) {
      std::cout << "not run | | |\n" << std::flush;
      continue;
    }
    const Run literal = fullRun(file.string(), literalOut, true, options.literalLimit, scratch);
    if (!literal.finished && !literal.timedOut) {
      std::cout << "failed | | |\n" << std::flush;
      continue;
    }
    if (literal.timedOut) {
      // The full reference run did not finish; its first trial alone, against the fast one's,
      // still gives a speed-up (trials differ, so it does not predict the full run's time).
      const double cap = std::min(options.literalLimit, kFirstTrialLimit);
      const Run one = spawn({"--child-trials", file.string(), "1", "--literal"}, cap, scratch);
      const Run fastOne = spawn({"--child-trials", file.string(), "1"}, 0, scratch);
      std::cout << "over " << seconds(options.literalLimit) << "; first trial ";
      if (one.finished && fastOne.finished) {
        const double first = std::atof(field(one.out, "first ").c_str());
        const double fastFirst = std::atof(field(fastOne.out, "first ").c_str());
        std::cout << seconds(first) << " | " << fixed(first / fastFirst, 0) << "x (first trial) | "
                  << (field(one.out, "costs") == field(fastOne.out, "costs") ? "same costs"
                                                                             : "**NO**")
                  << " |\n";
      } else {
        std::cout << "over " << seconds(cap) << " | | |\n";
      }
      std::cout << std::flush;
      continue;
    }
    const bool same = reportBody(fast.out) == reportBody(literal.out) &&
                      readFile(fastOut) == readFile(literalOut) &&
                      readFile(fastOut + ".layout") == readFile(literalOut + ".layout");
    const double literalInside = std::atof(field(literal.out, "inside ").c_str());
    std::cout << seconds(literalInside) << " | " << fixed(literalInside / inside, 0) << "x | "
              << (same ? "yes" : "**NO**") << " |\n"
              << std::flush;
    if (literalInside < kSearchTableLimit) {
      const Run search = spawn({"--child-search", file.string(), "0.5"}, 0, scratch);
      std::ostringstream row;
      row << "| " << file.stem().string() << " | "
          << seconds(std::atof(field(search.out, "fast ").c_str())) << " | "
          << seconds(std::atof(field(search.out, "literal ").c_str())) << " | "
          << fixed(std::atof(field(search.out, "ratio ").c_str()), 0) << "x |\n";
      searchRows.push_back(row.str());
    }
  }
  std::cout << "\n";
  // What any run costs: the bundled three-qubit, three-gate example.
  const std::string tiny = (fs::path(PROJECT_DIR) / "examples" / "abc.circ").string();
  const Run fixedCost = fullRun(tiny, scratch + "/tiny.circ", false, 0, scratch);
  std::cout << "A full run of examples/abc.circ (3 qubits, 3 two-qubit gates) takes "
            << seconds(std::atof(field(fixedCost.out, "inside ").c_str()))
            << " inside (CPU, median of " << kShortRunRepeats << "): about what any run costs "
            << "before its trials.\n\n";
  if (searchRows.empty()) return;
  std::cout << "The trials alone, for the circuits whose reference run took under "
            << seconds(kSearchTableLimit) << ": every seed's placement, baseline and windowed "
            << "routing, blocks of passes (at least 3 and 0.02 s) of the fast and of the reference "
            << "version in turn in one process (at least 3 pairs of blocks and 0.5 s); median CPU "
            << "time of one pass, and median ratio of the pairs of blocks. This leaves out what "
            << "both versions share at a fixed cost: "
            << "starting the process, reading the circuit and writing the two files.\n\n"
            << "| circuit | trials (CPU) | reference trials (CPU) | speed-up |\n"
            << "|---|---:|---:|---:|\n";
  for (const std::string& row : searchRows)
    std::cout << row;
  std::cout << "\n";
}

// The least-squares slope of log(time) against log(sites): the power of the growth.
double growthPower(const std::vector<std::pair<double, double>>& points) {
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const auto& [sites, time] : points) {
    const double x = std::log(sites);
    const double y = std::log(time);
    sx += x;
    sy += y;
    sxx += x * x;
    sxy += x * y;
  }
  const double n = static_cast<double>(points.size());
  return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

// The scaling series: random circuits filling grids of 4 x 4 to 24 x 24, with 1,000 to 50,000
// gates; a few trials each.
void scalingTable(const Options& options, const std::string& scratch) {
  const int sides[] = {4, 8, 10, 12, 16, 20, 24};
  const int gateCounts[] = {1000, 10000, 50000};
  std::cout << "## Scaling on random circuits\n\n"
            << "Random circuits of side x side qubits filling a side x side grid, CNOTs on "
            << "uniformly drawn pairs, window 3. Per trial = CPU time of the first trials of the "
            << "seed loop (placement, baseline and windowed routing) / trials, reading excluded. "
            << "Reference = the first trial with the literal searches, run for the 1,000-gate "
            << "circuits up to the first grid over the limit of " << seconds(options.literalLimit)
            << "; speed-up = its time over the fast first trial's; same = equal costs in that "
            << "trial.\n\n"
            << "| grid | 2q gates | trials | per trial (CPU) | per gate | peak memory | "
               "reference first trial | speed-up | same |\n"
            << "|---|---:|---:|---:|---:|---:|---:|---:|---|\n";
  std::vector<std::string> growth;
  for (int gates : gateCounts) {
    std::vector<std::pair<double, double>> points;  // sites, time per trial
    // The reference runs only on the 1,000-gate circuits, and only up to the first grid over
    // the limit: larger grids take longer still.
    bool literalFits = options.literal && gates == gateCounts[0];
    for (int side : sides) {
      const int sites = side * side;
      const std::string path = scratch + "/random.circ";
      writeRandomCircuit(path, sites, gates, 1000u * side + gates);
      // Enough trials to time well, fewer for the long ones.
      const int trials = gates >= 50000 ? 2 : (gates >= 10000 ? 5 : 20);
      const Run fast = spawn({"--child-trials", path, std::to_string(trials)}, 0, scratch);
      const double perTrial = std::atof(field(fast.out, "cpu ").c_str()) / trials;
      std::cout << "| " << side << " x " << side << " | " << gates << " | " << trials << " | ";
      if (!fast.finished) {
        std::cout << "failed | | | | | |\n" << std::flush;
        continue;
      }
      points.emplace_back(sites, perTrial);
      std::cout << seconds(perTrial) << " | " << fixed(perTrial / gates * 1e6, 1) << " us | "
                << megabytes(fast.maxRssKb) << " | ";
      if (!literalFits) {
        std::cout << "not run | | |\n" << std::flush;
        continue;
      }
      const Run literal = spawn({"--child-trials", path, std::to_string(1), "--literal"},
                                options.literalLimit, scratch);
      if (!literal.finished) {
        literalFits = false;
        std::cout << (literal.timedOut ? "over " + seconds(options.literalLimit) : "failed")
                  << " | | |\n"
                  << std::flush;
        continue;
      }
      // The first trial against the first trial: same placement, same routing.
      const double literalFirst = std::atof(field(literal.out, "first ").c_str());
      const double fastFirst = std::atof(field(fast.out, "first ").c_str());
      const std::string fastCosts = field(fast.out, "costs ");
      const bool same = field(literal.out, "costs ") == fastCosts.substr(0, fastCosts.find(' '));
      std::cout << seconds(literalFirst) << " | " << fixed(literalFirst / fastFirst, 0) << "x | "
                << (same ? "yes" : "**NO**") << " |\n"
                << std::flush;
    }
    if (points.size() >= 2) {
      growth.push_back(std::to_string(gates) + " gates: sites^" + fixed(growthPower(points), 2));
    }
  }
  std::cout << "\nTime per trial against the number of sites, least-squares power over the "
               "grids above (2 would be quadratic):";
  for (const std::string& g : growth)
    std::cout << (g == growth.front() ? " " : "; ") << g;
  std::cout << ".\n\n";
}

int usage() {
  std::cerr << "usage: gridswap-bench [--literal-limit SECONDS] [--no-literal] [--no-corpus] "
               "[--no-scaling] [--workers-only] [--only NAME] [--dry-run]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const bool literal = std::find(args.begin(), args.end(), "--literal") != args.end();
  if (args.size() >= 3 && args[0] == "--child-full") return childFull(args[1], args[2], literal);
  if (args.size() >= 3 && args[0] == "--child-trials") {
    return childTrials(args[1], std::atoi(args[2].c_str()), literal);
  }
  if (args.size() >= 3 && args[0] == "--child-search") {
    return childSearch(args[1], std::atof(args[2].c_str()));
  }
  Options options;
  bool dryRun = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--literal-limit" && i + 1 < args.size()) {
      options.literalLimit = std::atof(args[++i].c_str());
    } else if (args[i] == "--no-literal") {
      options.literal = false;
    } else if (args[i] == "--no-corpus") {
      options.corpus = false;
    } else if (args[i] == "--no-scaling") {
      options.scaling = false;
    } else if (args[i] == "--workers-only") {
      options.workersOnly = true;
    } else if (args[i] == "--only" && i + 1 < args.size()) {
      options.only = args[++i];
    } else if (args[i] == "--dry-run") {
      dryRun = true;
    } else {
      return usage();
    }
  }
  const fs::path corpusDir = fs::path(PROJECT_DIR) / "bench" / "circuits";
  // A name that selects nothing would measure only the random circuits, which is not what was
  // asked for.
  const std::size_t selected = corpusFiles(corpusDir, options.only).size();
  if (!options.only.empty() && selected == 0) {
    std::cerr << "gridswap-bench: no corpus circuit matches \"" << options.only << "\"\n";
    return 2;
  }
  if (dryRun) {
    std::vector<std::string> tables{"workers"};
    if (!options.workersOnly && options.corpus) tables.push_back("corpus");
    if (!options.workersOnly && options.scaling) tables.push_back("scaling");
    std::cout << "would measure: tables";
    for (const std::string& t : tables)
      std::cout << (t == tables.front() ? " " : ", ") << t;
    std::cout << "; " << selected << " corpus circuit" << (selected == 1 ? "" : "s")
              << "; reference runs "
              << (options.literal && !options.workersOnly
                      ? "stopped after " + fixed(options.literalLimit, 0) + " s"
                      : std::string("none"))
              << "\n";
    return 0;
  }
  char pattern[] = "/tmp/gridswap-bench-XXXXXX";
  const char* scratch = mkdtemp(pattern);
  if (!scratch) return 1;
  std::cout << "# gridswap benchmark\n\n";
  printMachine(options);
  // Everything starts with one worker against all workers; --workers-only stops there.
  workersTables(options, corpusDir, scratch);
  if (options.workersOnly) {
    fs::remove_all(scratch);
    return 0;
  }
  if (options.corpus) {
    const fs::path corpus = (fs::path(PROJECT_DIR) / "bench" / "circuits").lexically_normal();
    corpusTable(options, corpus, scratch);
  }
  if (options.scaling) scalingTable(options, scratch);
  fs::remove_all(scratch);
  return 0;
}
