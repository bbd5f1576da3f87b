// gridswap-quality: SWAP counts of every effort level on SABRE's published grid table, on the
// QASMBench corpus at its natural grids, on chains and on circuits with a known zero-SWAP
// placement; writes the Markdown report bench/QUALITY.md (run by scripts/quality.sh).
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "driver/InterActGraph.h"
#include "search/EffortMap.h"
#include "search/EffortSearch.h"
#include "search/GeneratedCircuits.h"

namespace {

const char* const kUsage =
    "Usage: gridswap-quality [--threads N] [--ideas] [--qiskit FILE] [--qiskit-in-order FILE] "
    "[--dry-run] <report.md>";

const std::vector<std::string> kLevels = {"default", "more", "max"};

// One row of the published grid table: SABRE's, MQT QMAP's and ML-QLS's SWAPs (-1: none
// published) and the fewest of them.
struct SabreRow {
  std::string circuit;
  int side;
  int swaps;
  int qmap;
  int mlqls;
  int best;
};

const std::vector<SabreRow> kSabreRows = {
    {"qasmbench-knn_n67", 9, 100, -1, 95, 95},
    {"qasmbench-bv_n70", 9, 40, -1, 28, 28},
    {"qasmbench-cat_n65", 9, 49, -1, 0, 0},
    {"qasmbench-qft_n63", 10, 1418, 1634, -1, 1418},
    {"qasmbench-adder_n64", 10, 199, 214, 87, 87},
    {"qasmbench-swap_test_n83", 10, 135, -1, 156, 135},
    {"qasmbench-ising_n34", 10, 91, -1, 0, 0},
    {"qasmbench-ising_n34", 6, 15, 25, 0, 0},
    {"qasmbench-dnn_n33", 6, 78, -1, 26, 26},
    {"qasmbench-qv_n32", 6, 812, 989, -1, 812},
    {"qasmbench-qft_n29", 6, 285, 320, 261, 261},
};

// Qiskit's SABRE as measured by bench/qiskit_sabre.py: SWAPs and seconds per circuit and grid.
struct QiskitRun {
  int swaps = -1;
  double seconds = 0;
};
// The runs as measured, and held to the input's gate order (--in-order), by circuit and grid.
std::map<std::string, QiskitRun> qiskitRuns;
std::map<std::string, QiskitRun> inOrderRuns;

// The key of a circuit on a W x H grid in a map of runs.
std::string runKey(const std::string& circuit, int W, int H) {
  return circuit + " " + std::to_string(W) + "x" + std::to_string(H);
}

// Reads the tab-separated lines "circuit W H swaps seconds" of the Qiskit script.
bool readQiskitRuns(const std::string& path, std::map<std::string, QiskitRun>* runs) {
  std::ifstream in(path);
  if (!in) return false;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string circuit;
    int W = 0, H = 0;
    QiskitRun run;
    if (fields >> circuit >> W >> H >> run.swaps >> run.seconds)
      (*runs)[runKey(circuit, W, H)] = run;
  }
  return true;
}

// The measured Qiskit run of a circuit, or swaps -1.
QiskitRun qiskitRun(const std::map<std::string, QiskitRun>& runs, const std::string& circuit, int W,
                    int H) {
  auto it = runs.find(runKey(circuit, W, H));
  return it == runs.end() ? QiskitRun{} : it->second;
}

// A count, or "-" for none.
std::string countText(int count) {
  return count < 0 ? std::string("-") : std::to_string(count);
}

// The QASMBench corpus, each circuit mapped at its natural grid.
const std::vector<std::string> kCorpus = {
    "adder_n4",       "adder_n10",
    "adder_n433",     "multiplier_n15",
    "multiplier_n45", "multiplier_n75",
    "qft_n18",        "qft_n63",
    "qpe_n9",         "qf21_n15",
    "sat_n11",        "square_root_n18",
    "qaoa_n6",        "ising_n26",
    "ising_n98",      "ising_n420",
    "vqe_uccsd_n8",   "gcm_n13",
    "hhl_n7",         "qv_n32",
    "qv_n100",        "error_correctiond3_n5",
    "qec9xz_n17",     "seca_n11",
    "dnn_n33",        "qugan_n71",
    "qugan_n395",     "knn_n67",
    "qram_n20",       "bv_n70",
};

// What one level gave on one circuit.
struct Outcome {
  int swaps = -1;
  int restoring = -1;
  int depth = -1;  // two-qubit depth of the mapped circuit
  double seconds = 0;
  std::string grid;
};

std::string dataPath(const std::string& name) {
  for (const char* dir : {PROJECT_DIR "/bench/quality/", PROJECT_DIR "/bench/circuits/"}) {
    const std::string path = std::string(dir) + name + ".circ";
    if (std::ifstream(path).good()) return path;
  }
  std::cerr << "missing circuit: " << name << std::endl;
  std::exit(1);
}

// Maps the circuit file at one level, writes and checks the result; a failed check ends the run.
Outcome mapWithPlan(const std::string& path, int W, int H, const SearchPlan& plan, int threads,
                    const std::string& scratch) {
  const auto start = std::chrono::steady_clock::now();
  InterActGraph graph(path, W, H, -1);
  if (!graph.readError.empty()) {
    std::cerr << path << ": " << graph.readError << std::endl;
    std::exit(1);
  }
  const SearchResult result = searchMapping(graph, plan, threads);
  int depth = 0;
  const CheckResult check =
      writeMapping(graph, result, scratch, scratch + ".layout", nullptr, "", &depth);
  const auto end = std::chrono::steady_clock::now();
  if (!check.ok()) {
    std::cerr << path << ": " << check.message << std::endl;
    std::exit(1);
  }
  Outcome o;
  o.swaps = result.costs.first;
  o.restoring = result.costs.second;
  o.depth = depth;
  o.seconds = std::chrono::duration<double>(end - start).count();
  o.grid = std::to_string(graph.grid.width) + " x " + std::to_string(graph.grid.height);
  return o;
}

// Maps the circuit file at one level.
Outcome mapFile(const std::string& path, int W, int H, const std::string& level, int threads,
                const std::string& scratch) {
  Effort effort;
  parseEffort(level, &effort);
  return mapWithPlan(path, W, H, planFor(effort, 3), threads, scratch);
}

// The top level's plan with its ideas switched on one after the other.
std::vector<std::pair<std::string, SearchPlan>> ideaPlans() {
  const SearchPlan full = planFor(Effort::kMax, 3);
  SearchPlan plan = full;
  plan.extraStarts = false;
  plan.randomStarts = 0;
  plan.reversedCandidates = false;
  plan.refineTop = 0;
  plan.gradedWindows.clear();
  plan.bandStarts = false;
  plan.annealRuns = 0;
  plan.perfectWork = 0;
  plan.prefixWork = 0;
  plan.beamRounds = 0;
  plan.exactLimit = 0;
  plan.wideWindows.clear();
  std::vector<std::pair<std::string, SearchPlan>> plans;
  SearchPlan windowOnly = plan;
  windowOnly.windows = {3};
  plans.emplace_back("greedy starts, window 3 (the default)", windowOnly);
  plans.emplace_back("+ " + std::to_string(plan.windows.size()) + " windows", plan);
  plan.extraStarts = true;
  plans.emplace_back("+ serpentine and depth-first starts", plan);
  plan.reversedCandidates = true;
  plans.emplace_back("+ backward routings read back", plan);
  plan.refineTop = full.refineTop;
  plans.emplace_back("+ forward-backward refinement", plan);
  plan.gradedWindows = full.gradedWindows;
  plans.emplace_back("+ " + std::to_string(plan.gradedWindows.size()) + " graded windows", plan);
  plan.randomStarts = full.randomStarts;
  plans.emplace_back("+ " + std::to_string(plan.randomStarts) + " random starts", plan);
  plan.bandStarts = true;
  plans.emplace_back("+ band starts", plan);
  SearchPlan annealed = full;
  annealed.perfectWork = 0;
  annealed.prefixWork = 0;
  annealed.beamRounds = 0;
  annealed.exactLimit = 0;
  annealed.wideWindows.clear();
  plans.emplace_back("+ annealing", annealed);
  annealed.beamRounds = full.beamRounds;
  plans.emplace_back("+ beam router", annealed);
  annealed.exactLimit = full.exactLimit;
  plans.emplace_back("+ exact router", annealed);
  annealed.wideWindows = full.wideWindows;
  plans.emplace_back("+ " + std::to_string(full.wideWindows.size()) + " wide windows", annealed);
  plans.emplace_back("+ perfect placements (= max)", full);
  return plans;
}

// Maps a circuit held in a string (written to a scratch file first).
Outcome mapText(const std::string& text, int W, int H, const std::string& level, int threads,
                const std::string& scratch) {
  std::ofstream(scratch + ".in.circ") << text;
  return mapFile(scratch + ".in.circ", W, H, level, threads, scratch);
}

std::string fixed(double value, int digits) {
  std::ostringstream out;
  out << std::fixed << std::setprecision(digits) << value;
  return out.str();
}

// gridswap's SWAPs against one Qiskit measurement: per level the (gridswap, Qiskit) counts of
// every circuit measured, and the seconds of both over them.
struct Against {
  std::vector<std::vector<std::pair<int, int>>> swaps;
  std::vector<double> ourSeconds;
  double theirSeconds = 0;
  // Counts level l's outcome against run q when q was measured.
  void add(std::size_t l, int ours, double seconds, const QiskitRun& q) {
    if (q.swaps < 0) return;
    swaps[l].emplace_back(ours, q.swaps);
    ourSeconds[l] += seconds;
  }
};

// The summary table of `a`: per level the geometric mean of gridswap / Qiskit over the
// circuits where both need SWAPs, how many, those above Qiskit, the worst ratio, the seconds.
void writeAgainst(std::ostream& md, const Against& a, const std::vector<std::string>& levels) {
  md << "| level | geometric mean of gridswap / Qiskit | circuits | above Qiskit | worst ratio "
        "| gridswap s | Qiskit s |\n|---|---:|---:|---:|---:|---:|---:|\n";
  for (std::size_t l = 0; l < levels.size(); ++l) {
    double logSum = 0, worstRatio = 0;
    int counted = 0, above = 0;
    for (const auto& [ours, theirs] : a.swaps[l]) {
      if (ours > theirs) ++above;
      if (theirs == 0 || ours == 0) continue;
      ++counted;
      const double ratio = static_cast<double>(ours) / theirs;
      worstRatio = std::max(worstRatio, ratio);
      logSum += std::log(ratio);
    }
    md << "| " << levels[l] << " | " << (counted ? fixed(std::exp(logSum / counted), 2) : "-")
       << " | " << counted << " | " << above << " | " << fixed(worstRatio, 2) << " | "
       << fixed(a.ourSeconds[l], 1) << " | " << fixed(a.theirSeconds, 1) << " |\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  int threads = std::max(1u, std::thread::hardware_concurrency());
  std::string report;
  bool ideas = false;
  bool dryRun = false;
  std::string qiskitFile;
  std::string inOrderFile;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help") {
      std::cout << kUsage << std::endl;
      return 0;
    } else if (a == "--ideas") {
      ideas = true;
    } else if (a == "--dry-run") {
      dryRun = true;
    } else if (a == "--qiskit" && i + 1 < argc) {
      qiskitFile = argv[++i];
    } else if (a == "--qiskit-in-order" && i + 1 < argc) {
      inOrderFile = argv[++i];
    } else if (a == "--threads" && i + 1 < argc) {
      threads = std::max(1, std::atoi(argv[++i]));
    } else if (a.rfind("--threads=", 0) == 0) {
      threads = std::max(1, std::atoi(a.c_str() + 10));
    } else if (a[0] != '-' && report.empty()) {
      report = a;
    } else {
      std::cerr << kUsage << std::endl;
      return 2;
    }
  }
  if (report.empty()) {
    std::cerr << kUsage << std::endl;
    return 2;
  }
  // The report is written after minutes of work: a folder that is not there fails at once.
  const std::string folder = report.find('/') == std::string::npos
                                 ? std::string(".")
                                 : report.substr(0, report.rfind('/') + 1);
  if (access(folder.c_str(), W_OK) != 0) {
    std::cerr << "Cannot write file: " << report << std::endl;
    return 1;
  }
  for (const auto& [file, runs] :
       {std::pair{qiskitFile, &qiskitRuns}, {inOrderFile, &inOrderRuns}}) {
    if (!file.empty() && !readQiskitRuns(file, runs)) {
      std::cerr << "Cannot open file: " << file << std::endl;
      return 1;
    }
  }
  if (dryRun) {
    std::cout << "would write " << report << " with " << threads << " thread"
              << (threads == 1 ? "" : "s") << (ideas ? ", the table of ideas included" : "")
              << std::endl;
    return 0;
  }
  const std::string scratch = "/tmp/gridswap-quality-" + std::to_string(getpid());
  std::ostringstream md;
  md << "# Mapping quality by effort level\n\n"
     << "Written by `scripts/quality.sh` (the program `gridswap-quality`, " << threads
     << " threads). Every mapping counted here was written and passed `checkMapping`. Times are "
        "wall-clock seconds of one run (reading, search, writing, check) on the machine that "
        "wrote this file; the SWAP counts do not depend on the machine or the thread count.\n\n";

  // The published table, with Qiskit's SABRE measured beside it.
  md << "## The published grid table\n\n"
     << "SWAP counts on square grids published with the ML-QLS study (arXiv:2210.08039): SABRE, "
        "MQT QMAP's heuristic mapper and ML-QLS, and the best of them (see "
        "`../shared/quality/README.md` and `bench/quality/README.md`; - where the study gives "
        "none). \"Qiskit\" is Qiskit's current SABRE measured on this machine by "
        "`bench/qiskit_sabre.py` (best of its seeds, seconds for all seeds; - when not "
        "measured). \"depth\" is the two-qubit depth of gridswap's mapped circuit, an inserted "
        "SWAP counting as one layer.\n\n"
     << "| circuit | grid | SABRE | QMAP | ML-QLS | best | Qiskit | s |";
  for (const auto& l : kLevels)
    md << ' ' << l << " | depth | s |";
  md << "\n|---|---|---:|---:|---:|---:|---:|---:|";
  for (std::size_t l = 0; l < kLevels.size(); ++l)
    md << "---:|---:|---:|";
  md << '\n';
  // Per level: SWAPs of every row, and seconds in all.
  std::vector<std::vector<int>> rowSwaps(kLevels.size());
  std::vector<double> total(kLevels.size(), 0);
  // The comparisons with Qiskit as measured and held to the gate order.
  Against againstQiskit{std::vector<std::vector<std::pair<int, int>>>(kLevels.size()),
                        std::vector<double>(kLevels.size(), 0)};
  Against againstInOrder = againstQiskit;
  for (const SabreRow& row : kSabreRows) {
    const QiskitRun q = qiskitRun(qiskitRuns, row.circuit, row.side, row.side);
    const QiskitRun qo = qiskitRun(inOrderRuns, row.circuit, row.side, row.side);
    md << "| " << row.circuit << " | " << row.side << " x " << row.side << " | " << row.swaps
       << " | " << countText(row.qmap) << " | " << countText(row.mlqls) << " | " << row.best
       << " | " << countText(q.swaps) << " | " << (q.swaps < 0 ? "-" : fixed(q.seconds, 2)) << " |";
    if (q.swaps >= 0) againstQiskit.theirSeconds += q.seconds;
    if (qo.swaps >= 0) againstInOrder.theirSeconds += qo.seconds;
    for (std::size_t l = 0; l < kLevels.size(); ++l) {
      const Outcome o =
          mapFile(dataPath(row.circuit), row.side, row.side, kLevels[l], threads, scratch);
      rowSwaps[l].push_back(o.swaps);
      total[l] += o.seconds;
      againstQiskit.add(l, o.swaps, o.seconds, q);
      againstInOrder.add(l, o.swaps, o.seconds, qo);
      md << ' ' << o.swaps << " | " << o.depth << " | " << fixed(o.seconds, 2) << " |";
      std::cerr << row.circuit << ' ' << row.side << ' ' << kLevels[l] << ' ' << o.swaps << ' '
                << o.seconds << std::endl;
    }
    md << '\n';
  }
  // Against another count: the geometric mean of gridswap's SWAPs over it on the rows where
  // both need SWAPs, the rows where gridswap needs more of all rows with that count, the worst
  // ratio.
  auto compare = [&](std::size_t l, auto countOf) {
    double logSum = 0;
    int both = 0, given = 0, above = 0;
    double worstRatio = 0;
    std::string worstName;
    for (std::size_t r = 0; r < kSabreRows.size(); ++r) {
      const int theirs = countOf(kSabreRows[r]);
      const int ours = rowSwaps[l][r];
      if (theirs < 0) continue;
      ++given;
      if (ours > theirs) ++above;
      if (theirs == 0 || ours == 0) continue;
      ++both;
      const double ratio = static_cast<double>(ours) / theirs;
      logSum += std::log(ratio);
      if (ratio > worstRatio) {
        worstRatio = ratio;
        worstName = kSabreRows[r].circuit.substr(10) + " " + std::to_string(kSabreRows[r].side);
      }
    }
    std::ostringstream cell;
    cell << (both ? fixed(std::exp(logSum / both), 2) : "-") << " (" << both << "); " << above
         << " of " << given << "; " << fixed(worstRatio, 2) << " " << worstName;
    return cell.str();
  };
  md << "\nAgainst each published count: the geometric mean of gridswap's SWAPs over it on the "
        "rows where both need SWAPs (how many rows); the rows where gridswap needs more, of the "
        "rows with that count; the worst ratio and its row.\n\n"
     << "| level | / SABRE | / QMAP | / ML-QLS | / best | total s |\n|---|---|---|---|---|---:|\n";
  for (std::size_t l = 0; l < kLevels.size(); ++l) {
    md << "| " << kLevels[l] << " | " << compare(l, [](const SabreRow& r) { return r.swaps; })
       << " | " << compare(l, [](const SabreRow& r) { return r.qmap; }) << " | "
       << compare(l, [](const SabreRow& r) { return r.mlqls; }) << " | "
       << compare(l, [](const SabreRow& r) { return r.best; }) << " | " << fixed(total[l], 1)
       << " |\n";
  }

  // What each idea of the top level adds, on the same rows.
  if (ideas) {
    md << "\n## What each idea adds\n\n"
       << "The top level's plan with its ideas switched on one after the other, under the same "
          "work cap; SWAPs per row of SABRE's table, the geometric mean of (SWAPs+1)/(SABRE+1) "
          "and the total time.\n\n| plan |";
    for (const SabreRow& row : kSabreRows)
      md << ' ' << row.circuit.substr(10) << ' ' << row.side << " |";
    md << " geo-mean | s |\n|---|";
    for (std::size_t r = 0; r < kSabreRows.size(); ++r)
      md << "---:|";
    md << "---:|---:|\n";
    for (const auto& [name, plan] : ideaPlans()) {
      md << "| " << name << " |";
      double smoothSum = 0, seconds = 0;
      for (const SabreRow& row : kSabreRows) {
        const Outcome o =
            mapWithPlan(dataPath(row.circuit), row.side, row.side, plan, threads, scratch);
        smoothSum += std::log((o.swaps + 1.0) / (row.swaps + 1.0));
        seconds += o.seconds;
        md << ' ' << o.swaps << " |";
      }
      md << ' ' << fixed(std::exp(smoothSum / kSabreRows.size()), 2) << " | " << fixed(seconds, 1)
         << " |\n";
      std::cerr << "idea " << name << std::endl;
    }
  }

  // The corpus at its natural grids.
  md << "\n## QASMBench corpus at its natural grid\n\n"
     << "Each circuit on the smallest grid that holds it (grid 1 x 1 requested), window 3. "
        "\"worse\" names the levels that gave more SWAPs than `default`.\n\n"
     << "| circuit | grid | Qiskit | s |";
  for (const auto& l : kLevels)
    md << ' ' << l << " | depth | s |";
  md << " worse |\n|---|---|---:|---:|";
  for (std::size_t l = 0; l < kLevels.size(); ++l)
    md << "---:|---:|---:|";
  md << "---|\n";
  int worseCount = 0;
  for (const std::string& name : kCorpus) {
    const std::string path = dataPath("qasmbench-" + name);
    std::vector<Outcome> outcomes;
    for (const auto& level : kLevels) {
      outcomes.push_back(mapFile(path, 1, 1, level, threads, scratch));
      std::cerr << name << ' ' << level << ' ' << outcomes.back().swaps << ' '
                << outcomes.back().seconds << std::endl;
    }
    const int side = static_cast<int>(outcomes[0].grid.find(" x "));
    const int W = std::atoi(outcomes[0].grid.substr(0, side).c_str());
    const int H = std::atoi(outcomes[0].grid.substr(side + 3).c_str());
    const QiskitRun q = qiskitRun(qiskitRuns, "qasmbench-" + name, W, H);
    const QiskitRun qo = qiskitRun(inOrderRuns, "qasmbench-" + name, W, H);
    md << "| qasmbench-" << name << " | " << outcomes[0].grid << " | " << countText(q.swaps)
       << " | " << (q.swaps < 0 ? "-" : fixed(q.seconds, 2)) << " |";
    if (q.swaps >= 0) againstQiskit.theirSeconds += q.seconds;
    if (qo.swaps >= 0) againstInOrder.theirSeconds += qo.seconds;
    std::string worse;
    for (std::size_t l = 0; l < kLevels.size(); ++l) {
      const Outcome& o = outcomes[l];
      md << ' ' << o.swaps << " | " << o.depth << " | " << fixed(o.seconds, 2) << " |";
      againstQiskit.add(l, o.swaps, o.seconds, q);
      againstInOrder.add(l, o.swaps, o.seconds, qo);
    }
    for (std::size_t l = 1; l < kLevels.size(); ++l) {
      if (outcomes[l].swaps > outcomes[0].swaps) worse += (worse.empty() ? "" : ", ") + kLevels[l];
    }
    if (!worse.empty()) ++worseCount;
    md << ' ' << (worse.empty() ? "-" : worse) << " |\n";
  }
  md << "\nCircuits where a level gives more SWAPs than `default`: " << worseCount << ".\n";

  // Against Qiskit's SABRE, measured.
  md << "\n## Against Qiskit's SABRE, measured side by side\n\n";
  if (againstQiskit.swaps[0].empty()) {
    md << "Not measured in this run (no `--qiskit` file).\n";
  } else {
    md << "The table's rows and the corpus circuits that `bench/qiskit_sabre.py` measured ("
       << againstQiskit.swaps[0].size()
       << "): the geometric mean of gridswap's SWAPs over Qiskit's, over the circuits where "
          "both need SWAPs (how many); the circuits where gridswap needs more; the worst ratio; "
          "the seconds of both on this machine (Qiskit's for all its seeds).\n\n";
    writeAgainst(md, againstQiskit, kLevels);
  }
  if (!againstInOrder.swaps[0].empty()) {
    md << "\nSABRE may run gates on disjoint qubits out of order, which a mapped circuit of "
          "gridswap may not. Held to the input's gate order (`bench/qiskit_sabre.py "
          "--in-order`: a barrier on every qubit after each two-qubit gate), over the same "
          "circuits ("
       << againstInOrder.swaps[0].size() << "):\n\n";
    writeAgainst(md, againstInOrder, kLevels);
  }

  // Chains.
  md << "\n## Chains\n\n"
     << "A chain `H q0`, `CNOT q0 q1`, `CNOT q1 q2`, ... of k qubits has a placement without SWAPs "
        "(a serpentine) on every grid with at least k sites. Every chain of 2 .. W*H qubits on "
        "every W x H grid with 2 <= W, H <= 12 (";
  long chains = 0;
  std::vector<long> withSwaps(kLevels.size(), 0), mostSwaps(kLevels.size(), 0);
  std::vector<double> chainSeconds(kLevels.size(), 0);
  for (int W = 2; W <= 12; ++W) {
    for (int H = 2; H <= 12; ++H) {
      for (int k = 2; k <= W * H; ++k) {
        ++chains;
        const std::string text = chainCircuit(k);
        for (std::size_t l = 0; l < kLevels.size(); ++l) {
          const Outcome o = mapText(text, W, H, kLevels[l], threads, scratch);
          if (o.swaps > 0) ++withSwaps[l];
          mostSwaps[l] = std::max<long>(mostSwaps[l], o.swaps);
          chainSeconds[l] += o.seconds;
        }
      }
    }
    std::cerr << "chains W=" << W << std::endl;
  }
  md << chains
     << " chains):\n\n| level | chains with SWAPs | most SWAPs | total s |\n|---|---:|---:|---:|\n";
  for (std::size_t l = 0; l < kLevels.size(); ++l) {
    md << "| " << kLevels[l] << " | " << withSwaps[l] << " | " << mostSwaps[l] << " | "
       << fixed(chainSeconds[l], 1) << " |\n";
  }

  // Circuits with a known zero-SWAP placement.
  md << "\n## Circuits with a known zero-SWAP placement\n\n"
     << "Layers of CNOTs between neighbouring sites of the grid, the qubit names a random "
        "permutation of the sites (fixed seeds): placing every qubit on its site needs no SWAP, "
        "so the optimum is 0.\n\n| grid | depth | two-qubit gates |";
  for (const auto& l : kLevels)
    md << ' ' << l << " | s |";
  md << "\n|---|---:|---:|";
  for (std::size_t l = 0; l < kLevels.size(); ++l)
    md << "---:|---:|";
  md << '\n';
  for (int side : {4, 6, 8, 10, 16, 20}) {
    for (int depth : {1, 2, 5, 10, 20, 50}) {
      const std::string text =
          neighbourLayersCircuit(side, side, depth, static_cast<std::uint32_t>(side * 100 + depth));
      int gates = 0;
      std::istringstream lines(text);
      for (std::string line; std::getline(lines, line);)
        gates += line.rfind("CNOT", 0) == 0;
      md << "| " << side << " x " << side << " | " << depth << " | " << gates << " |";
      for (const auto& level : kLevels) {
        const Outcome o = mapText(text, side, side, level, threads, scratch);
        md << ' ' << o.swaps << " | " << fixed(o.seconds, 2) << " |";
      }
      md << '\n';
      std::cerr << "layers " << side << ' ' << depth << std::endl;
    }
  }
  for (const char* suffix : {"", ".layout", ".in.circ"})
    std::remove((scratch + suffix).c_str());
  std::ofstream out(report, std::ios::binary);
  out << md.str();
  if (!out) {
    std::cerr << "Cannot write file: " << report << std::endl;
    return 1;
  }
  return 0;
}
