// gridswap-bench's tables of one worker against all workers.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <sstream>

#include "BenchCommon.h"
#include "driver/Workers.h"

namespace fs = std::filesystem;

namespace {

// One worker against all workers: the gridswap program itself, GRIDSWAP_THREADS=1 and
// GRIDSWAP_THREADS=<CPUs of the affinity mask>, in alternation.
struct WorkerPair {
  std::vector<double> wall[2];  // wall seconds of each run: [0] one worker, [1] all workers
  std::vector<double> cpu[2];   // CPU seconds (user + system) of each run
  long maxRssKb[2] = {0, 0};    // the largest peak resident set of each setting's runs
  bool finished = true;         // every run exited with status 0
  bool identical = true;        // every run gave the bytes of the first one-worker run
  std::string report;           // the first run's standard output
};

// A 64-bit FNV-1a digest of a file, read in small pieces: holding a large output whole would
// grow this process, whose size its children's peak memory includes until they replace it.
std::string fileDigest(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::uint64_t h = 14695981039346656037ull;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); ++i)
      h = (h ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
  }
  return std::to_string(h);
}

// What must not depend on the worker count: the report without its time line, and digests of
// the mapped circuit and the layout file.
std::string runBytes(const Run& run, const std::string& output) {
  return reportBody(run.out) + "--circuit--\n" + fileDigest(output) + "--layout--\n" +
         fileDigest(output + ".layout");
}

// Runs `args` (input, output, ...) with one worker and with `workers` workers in turn: 3 pairs,
// or 7 for runs under half a second, each run with fresh output files.
WorkerPair workerPair(const std::vector<std::string>& args, int workers,
                      const std::string& scratch) {
  WorkerPair pair;
  const std::string& output = args[1];
  std::string expected;
  int pairs = 3;
  for (int p = 0; p < pairs; ++p) {
    for (int k = 0; k < 2; ++k) {
      fs::remove(output);
      fs::remove(output + ".layout");
      const std::string setting = "GRIDSWAP_THREADS=" + std::to_string(k == 0 ? 1 : workers);
      const Run run = spawnProgram(GRIDSWAP_BIN, args, {setting}, 0, scratch);
      pair.finished = pair.finished && run.finished;
      pair.wall[k].push_back(run.wall);
      pair.cpu[k].push_back(run.cpu);
      pair.maxRssKb[k] = std::max(pair.maxRssKb[k], run.maxRssKb);
      const std::string bytes = runBytes(run, output);
      if (expected.empty()) {
        expected = bytes;
        pair.report = run.out;
      }
      pair.identical = pair.identical && bytes == expected;
    }
    if (p == 0 && pair.wall[0].back() < 0.5) pairs = 7;
  }
  return pair;
}

// One table row: wall and CPU of each setting (medians), the ratio of the walls, the peaks.
std::string workerRow(const WorkerPair& pair) {
  if (!pair.finished) return "failed | | | | | | | |";
  const double one = median(pair.wall[0]);
  const double all = median(pair.wall[1]);
  std::ostringstream row;
  row << seconds(one) << " | " << seconds(all) << " | " << fixed(one / all, 2) << "x | "
      << seconds(median(pair.cpu[0])) << " | " << seconds(median(pair.cpu[1])) << " | "
      << megabytes(pair.maxRssKb[0]) << " | " << megabytes(pair.maxRssKb[1]) << " | "
      << (pair.identical ? "yes" : "**NO**");
  return row.str();
}

}  // namespace

// The two tables of one worker against all workers: the corpus, then random circuits.
void workersTables(const Options& options, const fs::path& dir, const std::string& scratch) {
  const int workers = availableCpus();
  const std::string header = "| 1 worker (wall) | " + std::to_string(workers) +
                             " workers (wall) | ratio | " + "1 worker (CPU) | " +
                             std::to_string(workers) + " workers (CPU) | peak memory, 1 | " +
                             "peak memory, " + std::to_string(workers) + " | identical |\n";
  std::cout << "## One worker against all workers\n\n"
            << "The gridswap program itself, run with GRIDSWAP_THREADS=1 and with "
            << "GRIDSWAP_THREADS=" << workers << " (the CPUs of the benchmark's affinity mask, "
            << "the program's default) in alternation: 3 pairs of runs, 7 when a run takes "
            << "under half a second; median wall-clock and CPU seconds (user + system) of the "
            << "whole process, ratio = median wall with 1 worker / median wall with " << workers
            << ", and the largest peak resident set of each setting's runs. "
            << "Identical = every run gave the same report (but the time line), mapped circuit "
            << "and layout file (the files compared by 64-bit FNV-1a digests). Every run writes "
            << "fresh output files; standard error is not a "
            << "terminal, so no progress line is drawn.\n\n";
  std::vector<fs::path> files;
  if (fs::is_directory(dir)) files = corpusFiles(dir, options.only);
  std::cout << "### Corpus circuits (bench/circuits, natural grid, window 3)\n\n"
            << "| circuit | trials | 2q gates " << header
            << "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|\n";
  for (const fs::path& file : files) {
    // The counts come from the run's report: reading the circuit here would grow this process,
    // whose size its children's peak memory includes until they replace it.
    const WorkerPair pair = workerPair({file.string(), scratch + "/w.circ"}, workers, scratch);
    std::cout << "| " << file.stem().string() << " | " << field(pair.report, "#qubit=") << " | "
              << field(pair.report, "#2qGate: ") << " | " << workerRow(pair) << " |\n"
              << std::flush;
  }
  std::cout << "\n### Random circuits\n\n"
            << "side x side qubits filling a side x side grid, CNOTs on uniformly drawn pairs, "
            << "window 3; the whole program, one trial per qubit.\n\n"
            << "| grid | trials | 2q gates " << header
            << "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|\n";
  const std::vector<std::pair<int, int>> series{{4, 1000},   {8, 1000},  {12, 1000}, {16, 1000},
                                                {20, 1000},  {24, 1000}, {4, 10000}, {8, 10000},
                                                {12, 10000}, {16, 10000}};
  for (const auto& [side, gates] : series) {
    const std::string path = scratch + "/random.circ";
    writeRandomCircuit(path, side * side, gates, 1000u * side + gates);
    const WorkerPair pair = workerPair({path, scratch + "/w.circ"}, workers, scratch);
    std::cout << "| " << side << " x " << side << " | " << side * side << " | " << gates << " | "
              << workerRow(pair) << " |\n"
              << std::flush;
  }
  std::cout << "\n";
}
