// The import of QASMBench sources against the converted .circ files beside them: the same
// qubits in the same order, per qubit pair the same number of two-qubit gate lines, and the
// same lines altogether.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <dirent.h>

#include <algorithm>
#include <map>
#include <set>

#include "CircSim.h"
#include "TestUtil.h"
#include "qasm/QasmError.h"
#include "qasm/QasmImport.h"

namespace {

// Sources that measure registers they never declare; converted with ignoreMeasure.
const std::set<std::string> kIgnoreMeasure = {"qasmbench-vqe_uccsd_n8"};

bool exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// The base names of the .qasm files in `qasmDir` that have a .circ file in `circDir`.
std::vector<std::string> pairedSources(const std::string& qasmDir, const std::string& circDir) {
  std::vector<std::string> names;
  DIR* d = opendir(qasmDir.c_str());
  if (!d) return names;
  while (dirent* e = readdir(d)) {
    const std::string file = e->d_name;
    if (file.size() < 6 || file.substr(file.size() - 5) != ".qasm") continue;
    const std::string base = file.substr(0, file.size() - 5);
    if (exists(circDir + "/" + base + ".circ")) names.push_back(base);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

// The lines between ".begin" and ".end".
std::vector<std::string> bodyLines(const std::string& circ) {
  const std::vector<std::string> lines = testutil::splitLines(circ);
  const auto begin = std::find(lines.begin(), lines.end(), ".begin");
  const auto end = std::find(lines.begin(), lines.end(), ".end");
  if (begin == lines.end() || end < begin) return {};
  return std::vector<std::string>(begin + 1, end);
}

// Number of two-qubit gate lines per unordered pair of qubit names.
std::map<std::pair<std::string, std::string>, int> pairCounts(const circsim::Circuit& c) {
  std::map<std::pair<std::string, std::string>, int> counts;
  for (const std::vector<std::string>& g : c.gates) {
    if (g.size() < 3 || (g[0] != "CNOT" && g[0] != "CZ" && g[0] != "CP" && g[0] != "SWAP")) {
      continue;
    }
    ++counts[{std::min(g[1], g[2]), std::max(g[1], g[2])}];
  }
  return counts;
}

// Compares every source in `qasmDir` with its .circ in `circDir`; returns how many were compared.
int compareFolder(const std::string& qasmDir, const std::string& circDir) {
  int compared = 0;
  for (const std::string& base : pairedSources(qasmDir, circDir)) {
    SCOPED_TRACE(base);
    ImportOptions options;
    options.ignoreMeasure = kIgnoreMeasure.count(base) > 0;
    const std::string source = testutil::readFile(qasmDir + "/" + base + ".qasm");
    CircCircuit imported;
    try {
      imported = importQasm(source, base + ".qasm", options);
    } catch (const QasmError& e) {
      ADD_FAILURE() << e.line << ": " << e.what();
      continue;
    }
    const std::string mine = circText(imported);
    const std::string theirs = testutil::readFile(circDir + "/" + base + ".circ");
    const circsim::Circuit a = circsim::parseCirc(mine);
    const circsim::Circuit b = circsim::parseCirc(theirs);
    EXPECT_EQ(a.qubits, b.qubits);
    EXPECT_EQ(pairCounts(a), pairCounts(b));
    EXPECT_EQ(bodyLines(mine), bodyLines(theirs));
    ++compared;
  }
  return compared;
}

TEST(QasmBench, ImportMatchesTheConvertedCircuitsInTheRepository) {
  const std::string dir = std::string(TEST_DATA_DIR) + "/qasmbench";
  EXPECT_EQ(compareFolder(dir, dir), 21);
}

TEST(QasmBench, ImportMatchesAllSharedConvertedCircuits) {
  const std::string dir = SHARED_CIRCUITS_DIR;
  if (!exists(dir + "/qasm")) {
    GTEST_SKIP() << dir << "/qasm does not exist here; the repository's own sources are compared "
                 << "by ImportMatchesTheConvertedCircuitsInTheRepository";
  }
  EXPECT_EQ(compareFolder(dir + "/qasm", dir), 30);
}

}  // namespace
