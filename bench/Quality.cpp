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
    "Usage: gridswap-quality [--threads N] [--ideas] [--dry-run] <report.md>";

const std::vector<std::string> kLevels = {"default", "more", "max"};

// One row of SABRE's published table.
struct SabreRow {
  std::string circuit;
  int side;
  int swaps;
};

const std::vector<SabreRow> kSabreRows = {
    {"qasmbench-knn_n67", 9, 100},    {"qasmbench-bv_n70", 9, 40},
    {"qasmbench-cat_n65", 9, 49},     {"qasmbench-qft_n63", 10, 1418},
    {"qasmbench-adder_n64", 10, 199}, {"qasmbench-swap_test_n83", 10, 135},
    {"qasmbench-ising_n34", 10, 91},  {"qasmbench-ising_n34", 6, 15},
    {"qasmbench-dnn_n33", 6, 78},     {"qasmbench-qv_n32", 6, 812},
    {"qasmbench-qft_n29", 6, 285},
};

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
  const CheckResult check = writeMapping(graph, result, scratch, scratch + ".layout");
  const auto end = std::chrono::steady_clock::now();
  if (!check.ok()) {
    std::cerr << path << ": " << check.message << std::endl;
    std::exit(1);
  }
  Outcome o;
  o.swaps = result.costs.first;
  o.restoring = result.costs.second;
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
  plans.emplace_back("+ annealing (= max)", full);
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

}  // namespace

int main(int argc, char** argv) {
  int threads = std::max(1u, std::thread::hardware_concurrency());
  std::string report;
  bool ideas = false;
  bool dryRun = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help") {
      std::cout << kUsage << std::endl;
      return 0;
    } else if (a == "--ideas") {
      ideas = true;
    } else if (a == "--dry-run") {
      dryRun = true;
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

  // SABRE's table.
  md << "## SABRE's published grid table\n\n"
     << "SABRE's SWAP counts on square grids as published with the ML-QLS study "
        "(arXiv:2210.08039); see `bench/quality/README.md`. Ratio = gridswap's SWAPs / SABRE's.\n\n"
     << "| circuit | grid | SABRE |";
  for (const auto& l : kLevels)
    md << ' ' << l << " | ratio | s |";
  md << "\n|---|---|---:|";
  for (std::size_t l = 0; l < kLevels.size(); ++l)
    md << "---:|---:|---:|";
  md << '\n';
  std::vector<std::vector<double>> ratios(kLevels.size());
  std::vector<double> worst(kLevels.size(), 0), total(kLevels.size(), 0);
  std::vector<std::string> worstRow(kLevels.size());
  for (const SabreRow& row : kSabreRows) {
    md << "| " << row.circuit << " | " << row.side << " x " << row.side << " | " << row.swaps
       << " |";
    for (std::size_t l = 0; l < kLevels.size(); ++l) {
      const Outcome o =
          mapFile(dataPath(row.circuit), row.side, row.side, kLevels[l], threads, scratch);
      const double ratio = static_cast<double>(o.swaps) / row.swaps;
      ratios[l].push_back(ratio);
      total[l] += o.seconds;
      if (ratio > worst[l]) {
        worst[l] = ratio;
        worstRow[l] = row.circuit + " " + std::to_string(row.side) + "x" + std::to_string(row.side);
      }
      md << ' ' << o.swaps << " | " << fixed(ratio, 2) << " | " << fixed(o.seconds, 2) << " |";
      std::cerr << row.circuit << ' ' << row.side << ' ' << kLevels[l] << ' ' << o.swaps << ' '
                << o.seconds << std::endl;
    }
    md << '\n';
  }
  md << "\n| level | geometric mean of the ratios | geometric mean of (SWAPs+1)/(SABRE+1) | "
        "geometric mean over rows with SWAPs | worst row | total s "
        "|\n|---|---:|---:|---:|---|---:|\n";
  for (std::size_t l = 0; l < kLevels.size(); ++l) {
    double logSum = 0, smoothSum = 0, nonzeroSum = 0;
    int nonzero = 0;
    bool zero = false;
    for (std::size_t r = 0; r < kSabreRows.size(); ++r) {
      const double ratio = ratios[l][r];
      const double swaps = ratio * kSabreRows[r].swaps;
      zero = zero || ratio == 0;
      if (ratio > 0) {
        logSum += std::log(ratio);
        nonzeroSum += std::log(ratio);
        ++nonzero;
      }
      smoothSum += std::log((swaps + 1) / (kSabreRows[r].swaps + 1));
    }
    const double n = static_cast<double>(kSabreRows.size());
    md << "| " << kLevels[l] << " | "
       << (zero ? "0 (a row has no SWAP)" : fixed(std::exp(logSum / n), 2)) << " | "
       << fixed(std::exp(smoothSum / n), 2) << " | "
       << (nonzero ? fixed(std::exp(nonzeroSum / nonzero), 2) : "-") << " (" << nonzero
       << " rows) | " << fixed(worst[l], 2) << " (" << worstRow[l] << ") | " << fixed(total[l], 1)
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
     << "| circuit | grid |";
  for (const auto& l : kLevels)
    md << ' ' << l << " | s |";
  md << " worse |\n|---|---|";
  for (std::size_t l = 0; l < kLevels.size(); ++l)
    md << "---:|---:|";
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
    md << "| qasmbench-" << name << " | " << outcomes[0].grid << " |";
    std::string worse;
    for (const Outcome& o : outcomes)
      md << ' ' << o.swaps << " | " << fixed(o.seconds, 2) << " |";
    for (std::size_t l = 1; l < kLevels.size(); ++l) {
      if (outcomes[l].swaps > outcomes[0].swaps) worse += (worse.empty() ? "" : ", ") + kLevels[l];
    }
    if (!worse.empty()) ++worseCount;
    md << ' ' << (worse.empty() ? "-" : worse) << " |\n";
  }
  md << "\nCircuits where a level gives more SWAPs than `default`: " << worseCount << ".\n";

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
  for (int side : {4, 6, 8, 10}) {
    for (int depth : {5, 10, 20, 50}) {
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
