#include "draw/MappingPicture.h"

#include <algorithm>

#include "check/ChipFit.h"
#include "check/SitePlacement.h"
#include "chip/Chip.h"

namespace {

// The file name of a path, without its folders.
std::string baseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Marks the qubits that take part in a two-qubit gate, replaying the inserted SWAPs to know
// which qubit stands on a gate's sites.
std::vector<bool> gateOperands(const MappedCircuit& circuit) {
  std::vector<bool> operand(circuit.qubits.size(), false);
  SitePlacement placement(static_cast<int>(circuit.qubits.size()));
  for (const MappedLine& record : circuit.lines) {
    if (record.kind == MappedLine::kSwap) placement.swapSites(record.site1, record.site2);
    if (record.kind == MappedLine::kGate) {
      operand[placement.qubitOn[record.site1]] = true;
      operand[placement.qubitOn[record.site2]] = true;
    }
  }
  return operand;
}

// Which header qubits are fillers: the trailing run of names beginning with "xxc", less any
// that a gate acts on.
std::vector<bool> fillerQubits(const MappedCircuit& circuit) {
  const std::vector<bool> operand = gateOperands(circuit);
  std::vector<bool> filler(circuit.qubits.size(), false);
  for (std::size_t q = circuit.qubits.size(); q-- > 0;) {
    if (circuit.qubits[q].compare(0, 3, "xxc") != 0) break;
    filler[q] = !operand[q];
  }
  return filler;
}

}  // namespace

int MappingPicture::edgeIndex(GridPos a, GridPos b) const {
  if (a.y == b.y) return a.y * (width - 1) + std::min(a.x, b.x);
  return height * (width - 1) + std::min(a.y, b.y) * width + a.x;
}

CheckResult pictureOf(const MappedCircuit& circuit, MappingPicture* picture, const Chip* chip) {
  MappingPicture& p = *picture;
  p = MappingPicture();
  if (chip) {
    CheckResult fits = checkFitsChip(circuit, *chip);
    if (!fits.ok()) return fits;
  }
  p.name = baseName(circuit.path);
  p.width = circuit.width;
  p.height = circuit.height;
  p.gates = circuit.gateCount;
  p.swaps = circuit.swapCount;
  p.restored = circuit.restored();

  const std::vector<bool> filler = fillerQubits(circuit);
  for (bool f : filler)
    p.fillers += f;
  p.qubits = static_cast<int>(circuit.qubits.size()) - p.fillers;
  p.sites.resize(circuit.initialAt.size());
  for (std::size_t i = 0; i < p.sites.size(); ++i) {
    const int start = circuit.initialAt[i];
    const int end = circuit.finalAt[i];
    if (start < 0) {
      p.sites[i].empty = true;
      continue;
    }
    p.sites[i] =
        PictureSite{false, circuit.qubits[start], circuit.qubits[end], filler[start], filler[end]};
  }

  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x + 1 < p.width; ++x)
      p.edges.push_back(PictureEdge{GridPos{x, y}, GridPos{x + 1, y}});
  }
  for (int y = 0; y + 1 < p.height; ++y) {
    for (int x = 0; x < p.width; ++x)
      p.edges.push_back(PictureEdge{GridPos{x, y}, GridPos{x, y + 1}});
  }
  for (PictureEdge& edge : p.edges) {
    const Location a{edge.from.x, edge.from.y};
    const Location b{edge.to.x, edge.to.y};
    if (p.sites[a.y * p.width + a.x].empty || p.sites[b.y * p.width + b.x].empty) {
      edge.coupler = PictureEdge::kNone;
    } else if (chip && !chip->coupled(a, b)) {
      edge.coupler = PictureEdge::kUnusable;
      p.unusable = true;
    }
  }
  for (const MappedLine& record : circuit.lines) {
    if (record.kind != MappedLine::kSwap && record.kind != MappedLine::kGate) continue;
    CheckResult adjacent = checkAdjacentSites(circuit, record, chip);
    if (!adjacent.ok()) return adjacent;
    PictureEdge& edge =
        p.edges[p.edgeIndex(circuit.sitePos[record.site1], circuit.sitePos[record.site2])];
    ++(record.kind == MappedLine::kSwap ? edge.swaps : edge.gates);
  }
  for (const PictureEdge& edge : p.edges) {
    p.maxSwaps = std::max(p.maxSwaps, edge.swaps);
    p.maxGates = std::max(p.maxGates, edge.gates);
  }
  return CheckResult();
}
