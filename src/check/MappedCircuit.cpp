#include "check/MappedCircuit.h"

#include <cstdlib>

#include "chip/Chip.h"

#include "check/Layout.h"
#include "check/Mnemonics.h"
#include "check/SitePlacement.h"
#include "check/TextLines.h"

namespace {

bool isDecimal(const std::string& text) {
  if (text.empty() || text.size() > 9 || (text[0] == '0' && text.size() > 1)) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string firstToken(const std::string& line) {
  std::vector<std::string> tokens = whitespaceTokens(line);
  return tokens.empty() ? std::string() : tokens[0];
}

// Reads the header block that starts at lines[start]: ".qubit N", an empty line, then N lines
// "qubit NAME". Fills `names` and `nameLines`.
CheckResult readHeaderBlock(const std::string& path, const std::vector<std::string>& lines,
                            std::size_t start, std::vector<std::string>* names,
                            std::vector<int>* nameLines) {
  const int headerNo = static_cast<int>(start) + 1;
  std::vector<std::string> fields = spaceFields(lines[start]);
  if (fields.size() != 2 || fields[0] != ".qubit" || !isDecimal(fields[1]) || fields[1] == "0") {
    return faultAt(path, headerNo, "header must start with \".qubit N\", N a positive number");
  }
  const std::size_t count = std::atoi(fields[1].c_str());
  if (start + 1 >= lines.size() || !lines[start + 1].empty()) {
    return faultAt(path, headerNo + 1, "\".qubit\" must be followed by an empty line");
  }
  names->clear();
  nameLines->clear();
  std::map<std::string, int> seen;
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t i = start + 2 + k;
    const int lineNo = static_cast<int>(i) + 1;
    if (i >= lines.size()) {
      return faultAt(path, lineNo,
                     "file ends inside the header block of line " + std::to_string(headerNo));
    }
    fields = spaceFields(lines[i]);
    if (fields.size() != 2 || fields[0] != "qubit" || fields[1].empty() ||
        hasWhiteSpace(fields[1])) {
      return faultAt(path, lineNo,
                     "expected \"qubit NAME\" (" + std::to_string(k + 1) + " of " +
                         std::to_string(count) + "), found " + quoted(lines[i]));
    }
    auto first = seen.find(fields[1]);
    if (first != seen.end()) {
      return faultAt(path, lineNo,
                     "qubit " + quoted(fields[1]) + " declared twice (first on line " +
                         std::to_string(first->second) + ")");
    }
    seen[fields[1]] = lineNo;
    names->push_back(fields[1]);
    nameLines->push_back(lineNo);
  }
  return CheckResult();
}

// Looks up the site named `name`, or reports it as unknown.
CheckResult findSite(const MappedCircuit& circuit, int lineNo, const std::string& name, int* site) {
  auto it = circuit.indexOf.find(name);
  if (it == circuit.indexOf.end())
    return faultAt(circuit.path, lineNo, "unknown site " + quoted(name));
  *site = it->second;
  return CheckResult();
}

// Classifies every line after the header is known; header blocks after the first must repeat it.
CheckResult readRecords(const std::vector<std::string>& lines, MappedCircuit* circuit) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    MappedLine record;
    record.number = static_cast<int>(i) + 1;
    record.text = lines[i];
    const std::string first = firstToken(lines[i]);
    const std::vector<std::string> fields = spaceFields(lines[i]);
    CheckResult result;
    if (first == ".qubit") {
      std::vector<std::string> names;
      std::vector<int> nameLines;
      result = readHeaderBlock(circuit->path, lines, i, &names, &nameLines);
      if (!result.ok()) return result;
      if (names != circuit->qubits) {
        return faultAt(
            circuit->path, record.number,
            "header block differs from the one on line " + std::to_string(circuit->headerLine));
      }
      record.kind = MappedLine::kHeader;
      i += names.size() + 1;
    } else if (first == "qubit") {
      return faultAt(circuit->path, record.number, "qubit declaration outside the header block");
    } else if (first == "SWAP" && fields.size() == 3) {
      record.kind = MappedLine::kSwap;
      record.mnemonic = "SWAP";
      if (fields[0] != "SWAP") {
        return faultAt(circuit->path, record.number,
                       "malformed SWAP line; the form is \"SWAP SITE SITE\"");
      }
      result = findSite(*circuit, record.number, fields[1], &record.site1);
      if (result.ok()) result = findSite(*circuit, record.number, fields[2], &record.site2);
      if (!result.ok()) return result;
      ++circuit->swapCount;
    } else if (isTwoQubitMnemonic(first)) {
      if (fields.size() != 4 || fields[0] != first || hasWhiteSpace(fields[3])) {
        return faultAt(circuit->path, record.number,
                       "malformed gate line; the form is \"" + first +
                           " SITE SITE FIELD\" with single spaces and FIELD possibly empty");
      }
      record.kind = MappedLine::kGate;
      record.mnemonic = first;
      record.field4 = fields[3];
      result = findSite(*circuit, record.number, fields[1], &record.site1);
      if (result.ok()) result = findSite(*circuit, record.number, fields[2], &record.site2);
      if (!result.ok()) return result;
      ++circuit->gateCount;
    } else if (first == ".end") {
      if (lines[i] != ".end") {
        return faultAt(circuit->path, record.number, "\".end\" line must be exactly \".end\"");
      }
      record.kind = MappedLine::kEnd;
    }
    circuit->lines.push_back(record);
  }
  return CheckResult();
}

// Whether a layout entry marks a position with no qubit: "." does, unless the header declares
// a qubit of that name, as circuits mapped onto full grids may.
bool holdsNoQubit(const std::string& name, const MappedCircuit& circuit) {
  return name == kNoQubit && !circuit.indexOf.count(kNoQubit);
}

// Checks that the layout names exactly the header's qubits, besides its "." positions.
CheckResult matchLayoutToHeader(const Layout& layout, const MappedCircuit& circuit) {
  std::size_t named = 0;
  int dotLine = 0;  // the line of the qubit named "." when the header declares one
  for (std::size_t k = 0; k < layout.names.size(); ++k) {
    if (holdsNoQubit(layout.names[k], circuit)) continue;
    if (layout.names[k] == kNoQubit) {
      if (dotLine > 0) {
        return faultAt(circuit.layoutPath, layout.lineOf[k],
                       "qubit \".\" appears twice (first on line " + std::to_string(dotLine) + ")");
      }
      dotLine = layout.lineOf[k];
    }
    if (!circuit.indexOf.count(layout.names[k])) {
      return faultAt(circuit.layoutPath, layout.lineOf[k],
                     quoted(layout.names[k]) + " is not declared in the mapped circuit's header");
    }
    ++named;
  }
  if (named < circuit.qubits.size()) {
    std::vector<bool> inLayout(circuit.qubits.size(), false);
    for (const std::string& name : layout.names) {
      if (!holdsNoQubit(name, circuit)) inLayout[circuit.indexOf.at(name)] = true;
    }
    for (std::size_t q = 0; q < circuit.qubits.size(); ++q) {
      if (!inLayout[q]) {
        return faultAt(circuit.path, circuit.qubitLine[q],
                       "qubit " + quoted(circuit.qubits[q]) + " is missing from the layout");
      }
    }
  }
  return CheckResult();
}

}  // namespace

int gridDistance(GridPos a, GridPos b) {
  return std::abs(a.x - b.x) + std::abs(a.y - b.y);
}

std::string positionText(GridPos p) {
  return "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
}

CheckResult checkAdjacentSites(const MappedCircuit& circuit, const MappedLine& record,
                               const Chip* chip) {
  const GridPos a = circuit.sitePos[record.site1];
  const GridPos b = circuit.sitePos[record.site2];
  const int distance = gridDistance(a, b);
  const std::string sites = "sites " + circuit.qubits[record.site1] + " at " + positionText(a) +
                            " and " + circuit.qubits[record.site2] + " at " + positionText(b);
  if (distance != 1) {
    return faultAt(circuit.path, record.number,
                   sites + " are " + std::to_string(distance) + " apart, not adjacent");
  }
  if (chip && !chip->coupled(Location{a.x, a.y}, Location{b.x, b.y})) {
    return faultAt(circuit.path, record.number,
                   sites + " are adjacent, but the chip's coupler between them is unusable");
  }
  return CheckResult();
}

std::string defaultLayoutPath(const std::string& mappedPath) {
  return mappedPath + ".layout";
}

CheckResult readMappedCircuit(const std::string& mappedPath, const std::string& layoutPath,
                              MappedCircuit* circuit) {
  *circuit = MappedCircuit();
  std::vector<std::string> lines;
  if (!readLines(mappedPath, &lines)) return unreadableFile(mappedPath);
  std::vector<std::string> layoutLines;
  if (!readLines(layoutPath, &layoutLines)) return unreadableFile(layoutPath);
  return readMappedCircuitLines(mappedPath, lines, layoutPath, layoutLines, circuit);
}

CheckResult readMappedCircuitLines(const std::string& mappedPath,
                                   const std::vector<std::string>& lines,
                                   const std::string& layoutPath,
                                   const std::vector<std::string>& layoutLines,
                                   MappedCircuit* circuit) {
  *circuit = MappedCircuit();
  circuit->path = mappedPath;
  circuit->layoutPath = layoutPath;
  circuit->lineCount = static_cast<int>(lines.size());
  Layout layout;
  CheckResult result = readLayoutLines(layoutPath, layoutLines, &layout);
  if (!result.ok()) return result;

  std::size_t header = 0;
  while (header < lines.size() && firstToken(lines[header]) != ".qubit")
    ++header;
  if (header == lines.size()) return faultAt(mappedPath, 1, "no \".qubit\" header block");
  circuit->headerLine = static_cast<int>(header) + 1;
  result = readHeaderBlock(mappedPath, lines, header, &circuit->qubits, &circuit->qubitLine);
  if (!result.ok()) return result;
  for (std::size_t q = 0; q < circuit->qubits.size(); ++q) {
    circuit->indexOf[circuit->qubits[q]] = static_cast<int>(q);
  }
  result = matchLayoutToHeader(layout, *circuit);
  if (!result.ok()) return result;
  result = readRecords(lines, circuit);
  if (!result.ok()) return result;

  // Replay the inserted SWAPs: the layout shows the placement at the last ".end".
  const int count = static_cast<int>(circuit->qubits.size());
  SitePlacement placement(count);
  SitePlacement atLayout(count);
  for (const MappedLine& record : circuit->lines) {
    if (record.kind == MappedLine::kSwap) placement.swapSites(record.site1, record.site2);
    if (record.kind == MappedLine::kEnd) atLayout = placement;
  }

  circuit->width = layout.width;
  circuit->height = layout.height;
  std::vector<GridPos> qubitPos(count);
  for (std::size_t k = 0; k < layout.names.size(); ++k) {
    if (holdsNoQubit(layout.names[k], *circuit)) continue;
    const int at = static_cast<int>(k);
    qubitPos[circuit->indexOf.at(layout.names[k])] = GridPos{at % layout.width, at / layout.width};
  }
  circuit->sitePos.resize(count);
  circuit->initialAt.assign(layout.names.size(), -1);
  circuit->finalAt.assign(layout.names.size(), -1);
  for (int site = 0; site < count; ++site) {
    circuit->sitePos[site] = qubitPos[atLayout.qubitOn[site]];
    circuit->initialAt[circuit->gridIndex(site)] = site;
    circuit->finalAt[circuit->gridIndex(site)] = placement.qubitOn[site];
  }
  return CheckResult();
}
