#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/InterActGraph.h"

// Helpers shared by the test suites.
namespace testutil {

// Reads a whole file; empty when it cannot be read.
inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// The scratch folders a test program made, removed with their contents when the program ends.
class ScratchFolders {
 public:
  static ScratchFolders& all() {
    static ScratchFolders folders;
    return folders;
  }
  void add(const std::string& path) { paths_.push_back(path); }
  ~ScratchFolders() {
    for (const std::string& path : paths_) {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  }

 private:
  std::vector<std::string> paths_;
};

// A fresh scratch folder for one test, removed when the test program ends.
inline std::string tempDir() {
  char pattern[] = "/tmp/gridswap-test-XXXXXX";
  const char* dir = mkdtemp(pattern);
  if (!dir) return "/tmp";
  ScratchFolders::all().add(dir);
  return dir;
}

// Standard output and exit status of a finished command.
struct RunResult {
  std::string out;
  int status = -1;
};

// Runs a shell command line, capturing standard output.
inline RunResult run(const std::string& command) {
  RunResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    result.out.append(buffer, n);
  const int raw = pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

// Quotes an argument for the shell.
inline std::string quote(const std::string& arg) {
  std::string q = "'";
  for (char c : arg)
    q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs the built gridswap with the given arguments.
inline RunResult runGridswap(const std::vector<std::string>& args) {
  std::string command = GRIDSWAP_BIN;
  for (const std::string& a : args)
    command += " " + quote(a);
  return run(command + " 2>/dev/null");
}

// The lines of a text, without their line feeds.
inline std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    lines.push_back(line);
  return lines;
}

// Reads a circuit held in a string.
inline std::unique_ptr<InterActGraph> readCircuit(const std::string& text, int W = 1, int H = 1,
                                                  int gateLimit = -1) {
  std::istringstream in(text);
  return std::make_unique<InterActGraph>(in, "memory", W, H, gateLimit);
}

// An exported program's grid and placements, read back from its comment block.
struct Placements {
  int width = 0;
  int height = 0;
  std::vector<std::string> names;  // the qubits (logical and filler), in the order listed
  std::vector<int> initial;        // per qubit: its index in q at the start
  std::vector<int> final;          // and at the end
};

inline Placements readPlacements(const std::string& qasm) {
  Placements p;
  std::vector<int>* list = nullptr;
  for (const std::string& line : splitLines(qasm)) {
    if (line.rfind("// grid ", 0) == 0) {
      std::sscanf(line.c_str(), "// grid %d x %d", &p.width, &p.height);
    } else if (line == "// initial placement:") {
      list = &p.initial;
    } else if (line == "// final placement:") {
      list = &p.final;
    } else if (list && line.rfind("//   ", 0) == 0) {
      const std::size_t at = line.find(" at q[");
      if (list == &p.initial) p.names.push_back(line.substr(5, at - 5));
      list->push_back(std::stoi(line.substr(at + 6)));
    } else {
      list = nullptr;
    }
  }
  return p;
}

}  // namespace testutil
