#pragma once

// What the parts of gridswap-bench share: its options, child processes and their figures, and
// the formatting of the tables.

#include <filesystem>
#include <string>
#include <vector>

// What the command line asks for.
struct Options {
  double literalLimit = 60.0;  // seconds a reference run may take before it is stopped
  bool literal = true;         // measure the reference versions too
  bool corpus = true;          // the corpus table
  bool scaling = true;         // the scaling series
  bool workersOnly = false;    // only the tables of one worker against all workers
  std::string only;            // corpus circuits whose name contains this, when not empty
};

// The outcome of one child process.
struct Run {
  bool finished = false;  // exited with status 0 before the limit
  bool timedOut = false;  // stopped at the limit
  double cpu = 0.0;       // user + system seconds
  double wall = 0.0;      // elapsed seconds
  long maxRssKb = 0;      // peak resident memory
  std::string out;        // its standard output
};

// The .circ files of the corpus folder whose names contain `only` (all when empty), sorted.
std::vector<std::filesystem::path> corpusFiles(const std::filesystem::path& dir,
                                               const std::string& only);

// Monotonic wall-clock seconds.
double now();
// CPU seconds of this process.
double cpuNow();
// A whole file; empty when it cannot be read.
std::string readFile(const std::string& path);
// Runs `program` with `args` (and `env` added to the environment, "NAME=VALUE" each) in a child
// process, its standard output in a scratch file and its standard error discarded; stops it
// after `limit` seconds (no limit when limit <= 0).
Run spawnProgram(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& env, double limit, const std::string& scratch);
// Runs this program with `args` in a child process (see spawnProgram).
Run spawn(const std::vector<std::string>& args, double limit, const std::string& scratch);
// The median of some values.
double median(std::vector<double> values);
// The value after `key` in a child's output.
std::string field(const std::string& out, const std::string& key);
// A report without its time line.
std::string reportBody(const std::string& out);
// A number with `digits` decimals.
std::string fixed(double v, int digits);
// Seconds with three significant digits or so, and their unit.
std::string seconds(double v);
// Kilobytes as megabytes with one decimal.
std::string megabytes(long kb);
// A random circuit: `qubits` qubits, `gates` CNOTs on uniformly drawn pairs.
void writeRandomCircuit(const std::string& path, int qubits, int gates, unsigned seed);

// The tables of one worker against all workers: the corpus circuits in `dir`, then random ones.
void workersTables(const Options& options, const std::filesystem::path& dir,
                   const std::string& scratch);
