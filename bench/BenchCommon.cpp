// Child processes, their figures and the formatting of the tables.
#include "BenchCommon.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <random>
#include <sstream>

double now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

double cpuNow() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs `program` with `args` (and `env` added to the environment, "NAME=VALUE" each) in a child
// process, its standard output in a scratch file and its standard error discarded; stops it
// after `limit` seconds (no limit when limit <= 0).
Run spawnProgram(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& env, double limit, const std::string& scratch) {
  Run run;
  const std::string outPath = scratch + "/child.out";
  // Nothing buffered may reach the child's copy of the streams.
  std::cout.flush();
  std::fflush(stdout);
  const double start = now();
  const pid_t pid = fork();
  if (pid == 0) {
    FILE* out = std::freopen(outPath.c_str(), "w", stdout);
    if (!out || !std::freopen("/dev/null", "w", stderr)) _exit(127);
    for (const std::string& e : env)
      putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv;
    std::vector<std::string> copy = args;
    std::string self = program;
    argv.push_back(self.data());
    for (std::string& a : copy)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  while (true) {
    const pid_t done = wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) break;
    if (limit > 0 && now() - start > limit) {
      kill(pid, SIGKILL);
      wait4(pid, &status, 0, &usage);
      run.timedOut = true;
      break;
    }
    // Short runs are polled finely, long ones coarsely.
    usleep(now() - start < 0.5 ? 1000 : 20000);
  }
  run.wall = now() - start;
  run.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
            usage.ru_stime.tv_usec / 1e6;
  run.maxRssKb = usage.ru_maxrss;
  run.finished = !run.timedOut && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.out = readFile(outPath);
  return run;
}

// Runs this program with `args` in a child process (see spawnProgram).
Run spawn(const std::vector<std::string>& args, double limit, const std::string& scratch) {
  return spawnProgram("/proc/self/exe", args, {}, limit, scratch);
}

// The median of some values.
double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The value after `key` in a child's output.
std::string field(const std::string& out, const std::string& key) {
  const std::size_t at = out.find(key);
  if (at == std::string::npos) return "";
  const std::size_t begin = at + key.size();
  return out.substr(begin, out.find('\n', begin) - begin);
}

// A report without its time line.
std::string reportBody(const std::string& out) {
  const std::size_t at = out.find(" ***Synthesis Time=");
  return at == std::string::npos ? out : out.substr(0, at);
}

std::string fixed(double v, int digits) {
  std::ostringstream s;
  s << std::fixed << std::setprecision(digits) << v;
  return s.str();
}

// Seconds with three significant digits or so, and their unit.
std::string seconds(double v) {
  if (v >= 100) return fixed(v, 0) + " s";
  if (v >= 10) return fixed(v, 1) + " s";
  if (v >= 1) return fixed(v, 2) + " s";
  if (v >= 0.1) return fixed(v, 3) + " s";
  return fixed(v * 1000, v >= 0.01 ? 1 : 2) + " ms";
}

std::string megabytes(long kb) {
  return fixed(kb / 1024.0, 1) + " MB";
}

// A random circuit: `qubits` qubits, `gates` CNOTs on uniformly drawn pairs.
void writeRandomCircuit(const std::string& path, int qubits, int gates, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> pick(0, qubits - 1);
  std::ofstream out(path);
  out << ".qubit " << qubits << "\n";
  for (int q = 0; q < qubits; ++q)
    out << "qubit q" << q << "\n";
  out << ".begin\n";
  for (int g = 0; g < gates; ++g) {
    const int u = pick(rng);
    int v = pick(rng);
    while (v == u)
      v = pick(rng);
    out << "CNOT q" << u << " q" << v << "\n";
  }
  out << ".end\n";
}

std::vector<std::filesystem::path> corpusFiles(const std::filesystem::path& dir,
                                               const std::string& only) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() == ".circ" &&
        (only.empty() || name.find(only) != std::string::npos)) {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}
