// Reading a circuit file into the CircuitModel: qubit tables, interaction graph, grid size,
// filler qubits, node records and the circuit text.
#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <new>
#include <string_view>

#include "model/CircuitModel.h"
#include "model/Tokens.h"

namespace {

// The k-th candidate name for a filler qubit: xxc0 .. xxc~, then xxc79, xxc80, ...
std::string fillerName(int k) {
  if (k <= 78) return "xxc" + std::string(1, static_cast<char>(48 + k));
  return "xxc" + std::to_string(k);
}

}  // namespace

CircuitModel::CircuitModel(std::string inFile, int W, int H, int gateLimit)
    : inFile(std::move(inFile)) {
  readFile(W, H, gateLimit);
}

CircuitModel::CircuitModel(std::istream& in, std::string inFile, int W, int H, int gateLimit)
    : inFile(std::move(inFile)) {
  read(in, W, H, gateLimit);
}

CircuitModel::CircuitModel(std::string inFile, std::shared_ptr<const Chip> chip, int gateLimit)
    : inFile(std::move(inFile)), chip(std::move(chip)) {
  readFile(this->chip->width(), this->chip->height(), gateLimit);
}

CircuitModel::CircuitModel(std::istream& in, std::string inFile, std::shared_ptr<const Chip> chip,
                           int gateLimit)
    : inFile(std::move(inFile)), chip(std::move(chip)) {
  read(in, this->chip->width(), this->chip->height(), gateLimit);
}

void CircuitModel::readFile(int W, int H, int gateLimit) {
  struct stat st;
  std::ifstream in;
  if (stat(this->inFile.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) in.open(this->inFile);
  if (!in.is_open()) {
    readError = "Cannot open file: " + this->inFile;
    return;
  }
  read(in, W, H, gateLimit);
}

void CircuitModel::enterQubit(const std::string& name) {
  nameToIdx.insert({name, nodeNum});
  idxToName[nodeNum] = name;
  addNode(nodeNum);
  ++nodeNum;
}

bool CircuitModel::gridStep(int& W, int& H) {
  qubitNum = nodeNum;
  if (chip) {
    // A chip keeps its size; the circuit must fit into its largest group of joined qubits.
    if (nodeNum > chip->liveCount()) {
      readError = "Chip too small: the circuit has " + std::to_string(nodeNum) +
                  " qubits, the chip " + std::to_string(chip->liveCount());
      return false;
    }
    if (nodeNum > chip->largestGroup()) {
      readError = "Chip too small: the circuit has " + std::to_string(nodeNum) +
                  " qubits, the largest connected group of the chip holds " +
                  std::to_string(chip->largestGroup());
      return false;
    }
    // A layout writes "." for a site off the chip, which a qubit of that name would blur.
    if (!chip->full() && nameToIdx.count(".")) {
      readError = "A qubit named \".\" cannot be mapped onto a chip with missing sites";
      return false;
    }
    gridWidth = W = chip->width();
    gridHeight = H = chip->height();
    for (int k = 0, spare = chip->largestGroup() - nodeNum; spare > 0; ++k) {
      const std::string name = fillerName(k);
      if (nameToIdx.count(name)) continue;
      enterQubit(name);
      --spare;
    }
    return true;
  }
  if (nodeNum > 0 && nodeNum > static_cast<long long>(W) * H) {
    H = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(nodeNum))));
    W = static_cast<int>(std::ceil(static_cast<double>(nodeNum) / H));
  } else if (W < 0 || H < 0) {
    W = 0;
    H = 0;
  }
  if (W > kMaxGridSide || H > kMaxGridSide) {
    readError = kGridTooLarge;
    return false;
  }
  gridWidth = W;
  gridHeight = H;
  chip = std::make_shared<const Chip>(Chip::grid(W, H));
  long long spare = static_cast<long long>(W) * H - nodeNum;
  for (int k = 0; spare > 0; ++k) {
    const std::string name = fillerName(k);
    if (nameToIdx.count(name)) continue;
    enterQubit(name);
    --spare;
  }
  return true;
}

void CircuitModel::read(std::istream& in, int W, int H, int gateLimit) {
  int gateCounter = 0;
  int lineNo = 0;
  bool begun = false;
  bool ended = false;
  std::string line;
  std::vector<std::string_view> tokens;

  // Records the first malformed line; reading stops there.
  auto reject = [&](const std::string& reason) {
    readError = "Malformed circuit, line " + std::to_string(lineNo) + ": " + reason;
  };
  // The index of a qubit that a qubit line before .begin entered (fillers do not count), or -1.
  auto declared = [&](std::string_view name) {
    auto it = nameToIdx.find(std::string(name));
    return it != nameToIdx.end() && it->second < (begun ? qubitNum : nodeNum) ? it->second : -1;
  };

  while (std::getline(in, line)) {
    ++lineNo;
    CircuitLine entry;
    entry.start = circuitText.size();
    entry.length = line.size();
    circuitText += line;
    circuitText += '\n';
    splitTokens(line, tokens);
    if (tokens.empty()) {
      lines.push_back(entry);
      continue;
    }
    // Compared as a view, which looks at the length before the characters.
    const std::string_view word = tokens[0];
    const std::string first(word);
    if (word == "qubit") {
      if (tokens.size() < 2) return reject("qubit line without a name");
      const std::string name(tokens[1]);
      if (declared(name) >= 0) return reject("qubit " + name + " declared twice");
      if (begun) return reject("qubit " + name + " declared after .begin");
      // No grid holds more qubits: stop before the tables grow any further.
      if (nodeNum == kMaxGridSide * kMaxGridSide) {
        readError = kGridTooLarge;
        return;
      }
      enterQubit(name);
      entry.kind = CircuitLine::kQubitDecl;
    } else if (word == ".begin") {
      if (begun) return reject("second .begin line");
      if (!gridStep(W, H)) return;
      begun = true;
      entry.kind = CircuitLine::kBegin;
    } else if (isTwoQubitGate(first)) {
      if (tokens.size() < 3) return reject(first + " needs two qubit operands");
      const int u = declared(tokens[1]);
      if (u < 0) return reject("undeclared qubit " + std::string(tokens[1]));
      const int v = declared(tokens[2]);
      if (v < 0) return reject("undeclared qubit " + std::string(tokens[2]));
      if (u == v) return reject(first + " acts twice on qubit " + std::string(tokens[1]));
      if (ended) return reject(first + " after .end");
      if (gateLimit == -1 || (gateLimit >= 0 && gateCounter <= gateLimit)) addEdge(u, v);
      ++gateCounter;
      entry.kind = CircuitLine::kGate;
      entry.q1 = u;
      entry.q2 = v;
      entry.mnemonicAt = tokens[0].data() - line.data();
      entry.mnemonicLength = tokens[0].size();
      if (tokens.size() > 3) {
        entry.trailingAt = tokens[3].data() - line.data();
        entry.trailingLength = tokens[3].size();
      }
    } else if (word == ".end") {
      if (!begun) return reject(".end before .begin");
      if (ended) return reject("second .end line");
      ended = true;
      entry.kind = CircuitLine::kEnd;
    } else if (word == ".qubit") {
      entry.kind = CircuitLine::kQubitCount;
    }
    lines.push_back(entry);
  }
  // getline swallows an exception thrown while it reads, leaving the bad bit set; what can be
  // thrown there is running out of memory, which must not read as the end of the file.
  if (in.bad()) throw std::bad_alloc();
  if (!begun) {
    readError = "Malformed circuit: no .begin line";
    return;
  }
  if (!ended) {
    readError = "Malformed circuit: no .end line";
    return;
  }
  buildMaps();
  gateNum = gateCounter;
}
