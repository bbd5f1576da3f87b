// gridswap-qasm map, in the library: every program of tests/data (and of the shared corpora
// beside the project, when they exist) maps, verifies and reads back as the same program;
// small ones compute the same state and the same classical bits; and the mapping is gridswap's.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <dirent.h>

#include <algorithm>
#include <random>
#include <set>

#include "CircSim.h"
#include "MappingReplay.h"
#include "TestUtil.h"
#include "check/TextLines.h"
#include "driver/Cancel.h"
#include "qasm/ClassicalLines.h"
#include "qasm/QasmError.h"
#include "qasm/QasmMap.h"

namespace {

using replay::normal;
using replay::walkBack;

const std::string kRepoPrograms = std::string(TEST_DATA_DIR) + "/qasmbench";
const std::string kSharedPrograms = std::string(SHARED_DIR) + "/circuits/qasm";
const std::string kQualityPrograms = std::string(SHARED_DIR) + "/quality/circuits/qasm";

// Sources that measure registers they never declare; mapped with ignoreMeasure.
const std::set<std::string> kIgnoreMeasure = {"qasmbench-vqe_uccsd_n8"};

// The .qasm files of a folder, sorted; one entry "absent" when the folder does not exist.
std::vector<std::string> programsIn(const std::string& dir) {
  std::vector<std::string> files;
  DIR* d = opendir(dir.c_str());
  if (!d) return {"absent"};
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name.size() > 5 && name.substr(name.size() - 5) == ".qasm") files.push_back(name);
  }
  closedir(d);
  std::sort(files.begin(), files.end());
  return files;
}

std::string caseName(const testing::TestParamInfo<std::string>& info) {
  std::string name = info.param.substr(0, info.param.find('.'));
  if (name.rfind("qasmbench-", 0) == 0) name = name.substr(10);
  return name;
}

// Maps a program of a folder with the default grid and window.
MapResult mapProgram(const std::string& dir, const std::string& file, MapOptions options = {}) {
  const std::string base = file.substr(0, file.size() - 5);
  options.ignoreMeasure = kIgnoreMeasure.count(base) > 0;
  MapNames names;
  names.source = dir + "/" + file;
  names.mapped = base + ".mapped.circ";
  return mapQasm(testutil::readFile(names.source), names, options);
}

// A state-vector machine that also measures, resets and tests conditions, on circuit lines.
// A measurement takes the likelier outcome (0 on a tie) and collapses the state: the same rule
// on both sides makes equal programs give equal bits.
struct Machine {
  std::map<std::string, int> index;  // qubit name -> bit of the basis index
  circsim::State state;
  std::map<std::string, std::vector<int>> bits;  // classical registers

  void declare(const std::vector<std::string>& comments) {
    for (const std::string& c : comments) {
      std::string error;
      const ClassicalLine line = parseClassicalLine("# " + c, &error);
      if (line.kind == ClassicalLine::kCreg) bits[line.reg].assign(line.number, 0);
    }
  }
  int measure(int q) {
    double one = 0;
    double all = 0;
    for (std::size_t i = 0; i < state.size(); ++i) {
      all += std::norm(state[i]);
      if (i >> q & 1) one += std::norm(state[i]);
    }
    const int outcome = one > all - one + 1e-9 ? 1 : 0;
    for (std::size_t i = 0; i < state.size(); ++i) {
      if (static_cast<int>(i >> q & 1) != outcome) state[i] = 0;
    }
    return outcome;
  }
  long long value(const std::string& reg) const {
    long long v = 0;
    const std::vector<int>& b = bits.at(reg);
    for (std::size_t k = b.size(); k-- > 0;)
      v = v * 2 + b[k];
    return v;
  }
  void run(const std::vector<std::string>& lines) {
    circsim::Circuit one;
    one.index = index;
    bool skip = false;
    for (const std::string& line : lines) {
      std::string error;
      const ClassicalLine c = parseClassicalLine(line, &error);
      ASSERT_EQ(error, "") << line;
      if (c.kind == ClassicalLine::kIf) {
        skip = std::to_string(value(c.reg)) != c.value;
        continue;
      }
      if (c.kind == ClassicalLine::kBarrier) continue;
      const bool skipped = skip;
      skip = false;
      if (skipped) continue;
      if (c.kind == ClassicalLine::kMeasure) {
        bits.at(c.reg).at(static_cast<std::size_t>(c.number)) = measure(index.at(c.qubits[0]));
      } else if (c.kind == ClassicalLine::kReset) {
        const int q = index.at(c.qubits[0]);
        if (measure(q)) circsim::apply(state, q, circsim::kX);
      } else {
        one.gates = {whitespaceTokens(line)};
        ASSERT_EQ(circsim::run(one, state), "") << line;
      }
    }
  }
};

// Runs the original program on `start` (over all sites' qubits, in the order the export lists
// them) and the exported program on the same state placed on the grid, and compares the final
// states, read back through the final placement, and the classical registers.
void expectSameComputation(const MapResult& r, const circsim::State& start) {
  const testutil::Placements p = testutil::readPlacements(r.qasm);
  Machine original;
  for (std::size_t k = 0; k < p.names.size(); ++k)
    original.index[p.names[k]] = static_cast<int>(k);
  original.declare(r.imported.comments);
  original.state = start;
  original.run(r.imported.lines);

  const CircCircuit back = importQasm(r.qasm, "exported", {});
  Machine exported;
  for (std::size_t k = 0; k < back.qubits.size(); ++k)
    exported.index[back.qubits[k]] = static_cast<int>(k);
  exported.declare(back.comments);
  exported.state = circsim::permuted(start, p.initial);
  exported.run(back.lines);
  std::vector<int> toLogical(p.final.size());
  for (std::size_t k = 0; k < p.final.size(); ++k)
    toLogical[static_cast<std::size_t>(p.final[k])] = static_cast<int>(k);
  const circsim::State got = circsim::permuted(exported.state, toLogical);

  EXPECT_EQ(exported.bits, original.bits);
  circsim::Amp overlap = 0;
  double a = 0;
  double b = 0;
  for (std::size_t i = 0; i < got.size(); ++i) {
    overlap += std::conj(original.state[i]) * got[i];
    a += std::norm(original.state[i]);
    b += std::norm(got[i]);
  }
  EXPECT_NEAR(std::abs(overlap) / std::sqrt(a * b), 1.0, 1e-9);
}

// A random state of `qubits` qubits.
circsim::State randomState(std::size_t qubits) {
  std::mt19937 random(7);
  std::normal_distribution<double> normal;
  circsim::State s(std::size_t{1} << qubits);
  for (circsim::Amp& a : s)
    a = {normal(random), normal(random)};
  return s;
}

// The whole check of one program: maps, verifies, reads back, and for grids of up to 12 sites
// computes the same state and bits.
void roundTrip(const std::string& dir, const std::string& file, MapOptions options = {}) {
  if (file == "absent") GTEST_SKIP() << dir << " does not exist here";
#ifdef GRIDSWAP_SANITIZE
  // The largest programs take minutes under the sanitizers; the plain build maps them all.
  ImportOptions importOptions;
  importOptions.ignoreMeasure = true;
  const CircCircuit imported =
      importQasm(testutil::readFile(dir + "/" + file), file, importOptions);
  if (static_cast<long long>(imported.qubits.size()) * imported.twoQubitGates > 1000000) {
    GTEST_SKIP() << file << " is left to the build without sanitizers";
  }
#endif
  MapResult r;
  try {
    r = mapProgram(dir, file, options);
  } catch (const std::exception& e) {
    FAIL() << e.what();
  }
  EXPECT_EQ(r.verification.rfind("OK: ", 0), 0u);
  EXPECT_EQ(walkBack(r), r.swaps);
  if (r.width * r.height <= 12) expectSameComputation(r, randomState(r.width * r.height));
}

class RoundTrip : public testing::TestWithParam<std::string> {};
class SharedRoundTrip : public testing::TestWithParam<std::string> {};
class QualityRoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(RoundTrip, MapsAndReadsBackAsTheSameProgram) {
  roundTrip(kRepoPrograms, GetParam());
}
TEST_P(SharedRoundTrip, MapsAndReadsBackAsTheSameProgram) {
  roundTrip(kSharedPrograms, GetParam());
}
TEST_P(QualityRoundTrip, MapsAndReadsBackAsTheSameProgram) {
  roundTrip(kQualityPrograms, GetParam());
}

class EffortRoundTrip : public testing::TestWithParam<std::tuple<std::string, Effort>> {};

// Every effort level's mapping passes the same round trip as gridswap's.
TEST_P(EffortRoundTrip, MapsAndReadsBackAsTheSameProgram) {
  MapOptions options;
  options.effort = std::get<1>(GetParam());
  options.threads = 2;
#ifdef GRIDSWAP_SANITIZE
  // The top level does about a hundred times the default's work; under the sanitizers only the
  // smaller programs take it, the plain build maps them all.
  ImportOptions importOptions;
  importOptions.ignoreMeasure = true;
  const CircCircuit imported = importQasm(
      testutil::readFile(kRepoPrograms + "/" + std::get<0>(GetParam())), "", importOptions);
  if (options.effort == Effort::kMax &&
      static_cast<long long>(imported.qubits.size()) * imported.twoQubitGates > 5000) {
    GTEST_SKIP() << "the top level on this program is left to the build without sanitizers";
  }
#endif
  roundTrip(kRepoPrograms, std::get<0>(GetParam()), options);
}

INSTANTIATE_TEST_SUITE_P(Repository, EffortRoundTrip,
                         testing::Combine(testing::ValuesIn(programsIn(kRepoPrograms)),
                                          testing::Values(Effort::kMore, Effort::kMax)),
                         [](const testing::TestParamInfo<std::tuple<std::string, Effort>>& info) {
                           std::string name = std::get<0>(info.param);
                           name = name.substr(0, name.rfind('.'));
                           for (char& c : name) {
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name +
                                  (std::get<1>(info.param) == Effort::kMore ? "_more" : "_max");
                         });

INSTANTIATE_TEST_SUITE_P(Repository, RoundTrip, testing::ValuesIn(programsIn(kRepoPrograms)),
                         caseName);
INSTANTIATE_TEST_SUITE_P(Shared, SharedRoundTrip, testing::ValuesIn(programsIn(kSharedPrograms)),
                         caseName);
INSTANTIATE_TEST_SUITE_P(Quality, QualityRoundTrip, testing::ValuesIn(programsIn(kQualityPrograms)),
                         caseName);

// map's SWAPs and placements are those gridswap writes for the imported circuit with the same
// grid and window: the same mapped circuit and layout, byte for byte.
class SameAsGridswap : public testing::TestWithParam<std::string> {};

TEST_P(SameAsGridswap, WritesGridswapsMappedCircuitAndLayout) {
  const MapResult r = mapProgram(kRepoPrograms, GetParam());
  const std::string dir = testutil::tempDir();
  testutil::writeFile(dir + "/in.circ", r.circuit);
  const testutil::RunResult run =
      testutil::runGridswap({dir + "/in.circ", dir + "/out.circ", std::to_string(r.width),
                             std::to_string(r.height), std::to_string(r.window)});
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("costU= " + std::to_string(r.swaps) + "\n"), std::string::npos) << run.out;
  EXPECT_EQ(testutil::readFile(dir + "/out.circ"), r.mapped);
  EXPECT_EQ(testutil::readFile(dir + "/out.circ.layout"), r.layout);
  // The kept seed is the first with the fewest SWAPs among all trials.
  ASSERT_EQ(r.trials.size(), static_cast<std::size_t>(r.qubits));
  for (int seed = 0; seed < r.qubits; ++seed) {
    const int cost = r.trials[static_cast<std::size_t>(seed)].costU;
    EXPECT_TRUE(seed < r.bestSeed ? cost > r.swaps : cost >= r.swaps) << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(Repository, SameAsGridswap, testing::ValuesIn(programsIn(kRepoPrograms)),
                         caseName);

// Measurements in the middle and at the end, resets and conditions on a small grid where the
// qubits must move: every bit comes from its own logical qubit. Starting from |0...0>, the
// qubits hold different bits, so a measurement of the wrong qubit shows.
TEST(MeasurementOutcomes, EachBitComesFromItsLogicalQubit) {
  const std::string source =
      "OPENQASM 2.0;\ninclude \"qelib1.inc\";\nqreg q[6];\ncreg mid[2];\ncreg c[6];\n"
      "x q[0];\nx q[3];\ncx q[0],q[5];\ncx q[3],q[4];\nmeasure q[5] -> mid[0];\n"
      "measure q[2] -> mid[1];\nreset q[5];\ncx q[4],q[1];\nif(mid==1) x q[2];\n"
      "if(mid==1) cx q[2],q[5];\ncx q[0],q[4];\nmeasure q -> c;\n";
  MapNames names;
  names.source = "outcomes.qasm";
  names.mapped = "outcomes.mapped.circ";
  MapOptions options;
  options.width = 2;
  options.height = 3;
  const MapResult r = mapQasm(source, names, options);
  EXPECT_GT(r.swaps, 0);
  EXPECT_EQ(walkBack(r), r.swaps);
  circsim::State zero(std::size_t{1} << 6);
  zero[0] = 1;
  expectSameComputation(r, zero);
  // The outcomes themselves: q0, q1, q2, q3 hold 1, q4 0 and q5 1.
  Machine m;
  const CircCircuit back = importQasm(r.qasm, "exported", {});
  for (std::size_t k = 0; k < back.qubits.size(); ++k)
    m.index[back.qubits[k]] = static_cast<int>(k);
  m.declare(back.comments);
  m.state = zero;
  m.run(back.lines);
  EXPECT_EQ(m.value("mid"), 1);
  EXPECT_EQ(m.value("c"), 0b101111);
}

// A mapping that does not pass the check is an internal error: one line, nothing exported.
TEST(MapVerification, FailedCheckIsAnInternalError) {
  MapNames names;
  names.source = "in.qasm";
  names.mapped = "in.mapped.circ";
  MapOptions options;
  options.width = 2;
  options.height = 2;
  MapResult r =
      mapQasm("qreg q[4];\nCX q[0],q[3];\nCX q[1],q[2];\nCX q[0],q[1];\n", names, options);
  // The second CX with its operands exchanged: another gate than the input's.
  const std::size_t at = r.mapped.find("CNOT ", r.mapped.find("CNOT ") + 1);
  ASSERT_NE(at, std::string::npos);
  const std::vector<std::string> fields =
      spaceFields(r.mapped.substr(at, r.mapped.find('\n', at) - at));
  r.mapped.replace(at, r.mapped.find('\n', at) - at, "CNOT " + fields[2] + " " + fields[1] + " ");
  r.qasm.clear();
  try {
    verifyAndExport(r, names);
    ADD_FAILURE() << "the changed mapping passed";
  } catch (const MapError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(
                  "Internal error: the mapping of in.qasm failed verification: FAIL "
                  "in.mapped.circ:",
                  0),
              0u)
        << e.what();
  }
  EXPECT_EQ(r.qasm, "");
}

// A condition on a register wider than 64 bits keeps its value digit for digit through import,
// mapping and export, leading zeros dropped.
TEST(WideConditions, ValueOfAnyWidthSurvivesTheMapping) {
  const std::string value = "1427247692705959881058285969449495136382746624";
  MapNames names;
  names.source = "coin.qasm";
  names.mapped = "coin.mapped.circ";
  MapOptions options;
  options.width = 2;
  options.height = 2;
  const MapResult r = mapQasm(
      "OPENQASM 2.0;\ninclude \"qelib1.inc\";\nqreg q[3];\ncreg c[151];\ncx q[0],q[2];\n"
      "if(c==00" +
          value + ") h q[0];\nif(c==0) cx q[1],q[2];\n",
      names, options);
  EXPECT_NE(r.circuit.find("# if c==" + value + "\n"), std::string::npos) << r.circuit;
  EXPECT_NE(r.qasm.find("if(c==" + value + ") h "), std::string::npos) << r.qasm;
  EXPECT_NE(r.qasm.find("if(c==0) cx "), std::string::npos) << r.qasm;
}

// A set cancellation flag stops gridswap's trials and the effort search alike.
class Cancellation : public testing::TestWithParam<Effort> {};

TEST_P(Cancellation, SetFlagThrowsCancelled) {
  const std::atomic<bool> cancel{true};
  MapNames names;
  names.source = "qft.qasm";
  names.mapped = "qft.mapped.circ";
  MapOptions options;
  options.effort = GetParam();
  options.cancel = &cancel;
  options.threads = 2;
  EXPECT_THROW(
      mapQasm(testutil::readFile(kRepoPrograms + "/qasmbench-qft_n18.qasm"), names, options),
      Cancelled);
}

INSTANTIATE_TEST_SUITE_P(Levels, Cancellation,
                         testing::Values(Effort::kDefault, Effort::kMore, Effort::kMax));

}  // namespace
