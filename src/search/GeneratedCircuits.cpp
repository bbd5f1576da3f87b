#include "search/GeneratedCircuits.h"

#include <random>
#include <sstream>
#include <utility>
#include <vector>

namespace {

// The declarations of qubits q0 .. q(n-1) and the .begin line.
void writeHeader(std::ostringstream& out, int qubits) {
  out << ".qubit " << qubits << '\n';
  for (int q = 0; q < qubits; ++q)
    out << "qubit q" << q << '\n';
  out << ".begin\n";
}

// A draw in [0, n) from the generator's raw output, the same on every platform.
std::uint32_t draw(std::mt19937& generator, std::uint32_t n) {
  return generator() % n;
}

// The qubit named on each of n sites: a random permutation.
std::vector<int> randomNames(std::mt19937& generator, int n) {
  std::vector<int> name(n);
  for (int s = 0; s < n; ++s)
    name[s] = s;
  for (int i = n - 1; i > 0; --i)
    std::swap(name[i], name[draw(generator, i + 1)]);
  return name;
}

// Writes `depth` layers, each a random set of disjoint pairs of `edges` (over n sites), as CNOTs
// between the qubits named on the sites; `turn` draws each gate's direction, otherwise the
// pair's first site holds the control.
void writeLayers(std::ostringstream& out, std::mt19937& generator,
                 std::vector<std::pair<int, int>>& edges, int n, const std::vector<int>& name,
                 int depth, bool turn) {
  for (int layer = 0; layer < depth; ++layer) {
    for (std::size_t i = edges.size(); i > 1; --i)
      std::swap(edges[i - 1], edges[draw(generator, static_cast<std::uint32_t>(i))]);
    std::vector<char> busy(n, 0);
    for (const auto& [a, b] : edges) {
      if (busy[a] || busy[b] || draw(generator, 2) == 0) continue;
      busy[a] = busy[b] = 1;
      if (turn && draw(generator, 2) != 0) {
        out << "CNOT q" << name[b] << " q" << name[a] << '\n';
      } else {
        out << "CNOT q" << name[a] << " q" << name[b] << '\n';
      }
    }
  }
}

}  // namespace

std::string chainCircuit(int qubits) {
  std::ostringstream out;
  writeHeader(out, qubits);
  if (qubits > 0) out << "H q0\n";
  for (int q = 0; q + 1 < qubits; ++q)
    out << "CNOT q" << q << " q" << q + 1 << '\n';
  out << ".end\n";
  return out.str();
}

std::string neighbourLayersCircuit(int width, int height, int depth, std::uint32_t seed) {
  std::mt19937 generator(seed);
  const int sites = width * height;
  const std::vector<int> name = randomNames(generator, sites);
  // Every pair of neighbouring sites.
  std::vector<std::pair<int, int>> edges;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (x + 1 < width) edges.emplace_back(y * width + x, y * width + x + 1);
      if (y + 1 < height) edges.emplace_back(y * width + x, (y + 1) * width + x);
    }
  }
  std::ostringstream out;
  writeHeader(out, sites);
  writeLayers(out, generator, edges, sites, name, depth, true);
  out << ".end\n";
  return out.str();
}

std::string chipLayersCircuit(const Chip& chip, int depth, std::uint32_t seed) {
  std::mt19937 generator(seed);
  const std::vector<ChipQubit> qubits = chip.qubits();
  const int n = static_cast<int>(qubits.size());
  const std::vector<int> name = randomNames(generator, n);
  // Every usable coupler, as positions in `qubits`.
  std::vector<int> rank(static_cast<std::size_t>(chip.width()) * chip.height(), -1);
  for (int s = 0; s < n; ++s)
    rank[static_cast<std::size_t>(qubits[s].site.y) * chip.width() + qubits[s].site.x] = s;
  std::vector<std::pair<int, int>> edges;
  for (int s = 0; s < n; ++s) {
    const Location at = qubits[s].site;
    for (Location t : {Location{at.x + 1, at.y}, Location{at.x, at.y + 1}}) {
      if (chip.coupled(at, t))
        edges.emplace_back(s, rank[static_cast<std::size_t>(t.y) * chip.width() + t.x]);
    }
  }
  std::ostringstream out;
  writeHeader(out, n);
  writeLayers(out, generator, edges, n, name, depth, false);
  out << ".end\n";
  return out.str();
}
