// Reading a chip file: its qubit and no-coupler lines, checked line by line, into a Chip.
#include "chip/ChipReader.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "model/Tokens.h"

namespace {

// The largest device index: enough for a distinct index on every site of the largest grid.
constexpr int kMaxIndex = Chip::kMaxSide * Chip::kMaxSide - 1;

// A no-coupler line, kept until every qubit line has been read.
struct NoCouplerLine {
  int a;
  int b;
  int line;
};

// Reads the whole-number token `text` into `value`: an optional minus and digits only, nothing
// else. A value too large for an int is kept as a large one, which every range check rejects.
bool wholeNumber(std::string_view text, long long& value) {
  std::size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  long long magnitude = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    if (magnitude < (1LL << 40)) magnitude = magnitude * 10 + (text[i] - '0');
  }
  value = text[0] == '-' ? -magnitude : magnitude;
  return true;
}

class Reader {
 public:
  explicit Reader(const std::string& name) : name_(name) {}

  Chip read(std::istream& in) {
    std::string text;
    std::vector<std::string_view> tokens;
    while (std::getline(in, text)) {
      ++line_;
      const std::size_t hash = text.find('#');
      if (hash != std::string::npos) text.erase(hash);
      splitTokens(text, tokens);
      if (tokens.empty()) continue;
      if (tokens[0] == "qubit") {
        readQubit(tokens);
      } else if (tokens[0] == "no-coupler") {
        readNoCoupler(tokens);
      } else {
        fail("unknown keyword " + std::string(tokens[0]));
      }
    }
    checkNoCouplers();
    checkSize();
    std::vector<std::pair<int, int>> pairs;
    pairs.reserve(noCouplers_.size());
    for (const NoCouplerLine& n : noCouplers_)
      pairs.emplace_back(n.a, n.b);
    try {
      return Chip(std::move(qubits_), std::move(pairs));
    } catch (const std::invalid_argument& e) {
      throw ChipError(name_ + ": " + e.what());
    }
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw ChipError(name_ + ":" + std::to_string(line_) + ": " + what);
  }

  // Field `k` of the line, named `field`, a whole number in 0 .. max.
  int field(const std::vector<std::string_view>& tokens, std::size_t k, const char* field,
            int max) const {
    if (k >= tokens.size()) fail(std::string(tokens[0]) + " line without " + field);
    long long value = 0;
    if (!wholeNumber(tokens[k], value)) {
      fail(std::string(field) + " is not a whole number: " + std::string(tokens[k]));
    }
    if (value < 0 || value > max) {
      fail(std::string(field) + " must lie in 0 .. " + std::to_string(max) + ": " +
           std::string(tokens[k]));
    }
    return static_cast<int>(value);
  }

  void noExtraField(const std::vector<std::string_view>& tokens, std::size_t count) const {
    if (tokens.size() > count) {
      fail(std::string(tokens[0]) + " line with an extra field: " + std::string(tokens[count]));
    }
  }

  void readQubit(const std::vector<std::string_view>& tokens) {
    const int index = field(tokens, 1, "INDEX", kMaxIndex);
    const int x = field(tokens, 2, "X", Chip::kMaxSide - 1);
    const int y = field(tokens, 3, "Y", Chip::kMaxSide - 1);
    noExtraField(tokens, 4);
    if (static_cast<std::size_t>(index) >= indexLine_.size()) indexLine_.resize(index + 1, 0);
    if (indexLine_[index] != 0) {
      fail("qubit " + std::to_string(index) + " given twice (first on line " +
           std::to_string(indexLine_[index]) + ")");
    }
    const std::size_t site = static_cast<std::size_t>(y) * Chip::kMaxSide + x;
    if (siteQubit_.empty()) siteQubit_.assign(std::size_t{Chip::kMaxSide} * Chip::kMaxSide, -1);
    const int holder = siteQubit_[site];
    if (holder >= 0) {
      fail("site (" + std::to_string(x) + ", " + std::to_string(y) + ") already holds qubit " +
           std::to_string(qubits_[holder].index) + " (line " +
           std::to_string(indexLine_[qubits_[holder].index]) + ")");
    }
    indexLine_[index] = line_;
    siteQubit_[site] = static_cast<int>(qubits_.size());
    qubits_.push_back({index, {x, y}});
  }

  void readNoCoupler(const std::vector<std::string_view>& tokens) {
    const int a = field(tokens, 1, "A", kMaxIndex);
    const int b = field(tokens, 2, "B", kMaxIndex);
    noExtraField(tokens, 3);
    noCouplers_.push_back({a, b, line_});
  }

  // Checks the no-coupler lines, in their order, against the qubits of the whole file.
  void checkNoCouplers() {
    std::vector<int> qubitAt(indexLine_.size(), -1);
    for (std::size_t i = 0; i < qubits_.size(); ++i)
      qubitAt[qubits_[i].index] = static_cast<int>(i);
    std::map<std::pair<int, int>, int> firstLine;
    for (const NoCouplerLine& n : noCouplers_) {
      line_ = n.line;
      const std::string name = "no-coupler " + std::to_string(n.a) + " " + std::to_string(n.b);
      for (int q : {n.a, n.b}) {
        if (static_cast<std::size_t>(q) >= qubitAt.size() || qubitAt[q] < 0) {
          fail(name + ": qubit " + std::to_string(q) + " is not on the chip");
        }
      }
      const Location s = qubits_[qubitAt[n.a]].site;
      const Location t = qubits_[qubitAt[n.b]].site;
      const int dx = s.x > t.x ? s.x - t.x : t.x - s.x;
      const int dy = s.y > t.y ? s.y - t.y : t.y - s.y;
      if (dx + dy != 1) fail(name + ": the qubits are not neighbours");
      const auto key = n.a < n.b ? std::make_pair(n.a, n.b) : std::make_pair(n.b, n.a);
      const auto [it, added] = firstLine.emplace(key, n.line);
      if (!added) fail(name + " given twice (first on line " + std::to_string(it->second) + ")");
    }
  }

  // A chip with holes keeps a distance table of its qubits squared: refuse a large one before
  // the chip is built, as the chip itself would after its work.
  void checkSize() const {
    if (qubits_.size() <= static_cast<std::size_t>(Chip::kMaxHoledQubits)) return;
    int width = 0;
    int height = 0;
    for (const ChipQubit& q : qubits_) {
      width = std::max(width, q.site.x + 1);
      height = std::max(height, q.site.y + 1);
    }
    if (noCouplers_.empty() && qubits_.size() == static_cast<std::size_t>(width) * height) return;
    throw ChipError(name_ + ": a chip with missing qubits or couplers may have at most " +
                    std::to_string(Chip::kMaxHoledQubits) + " qubits");
  }

  const std::string& name_;
  int line_ = 0;
  std::vector<ChipQubit> qubits_;
  std::vector<int> indexLine_;  // per device index: the line that gave it, 0 for none
  std::vector<int> siteQubit_;  // per site of the largest grid: position in qubits_, -1 for none
  std::vector<NoCouplerLine> noCouplers_;
};

}  // namespace

Chip parseChip(std::istream& in, const std::string& name) {
  return Reader(name).read(in);
}

Chip readChip(const std::string& path) {
  struct stat st;
  std::ifstream in;
  if (stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) in.open(path);
  if (!in.is_open()) throw ChipError("Cannot open file: " + path);
  return parseChip(in, path);
}
