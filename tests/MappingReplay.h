#pragma once

// Reading an exported program back through its placements, for the tests of the map command.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "check/TextLines.h"
#include "chip/Chip.h"
#include "qasm/QasmImport.h"
#include "qasm/QasmMap.h"

namespace replay {

// A line with its tokens joined by single spaces.
inline std::string normal(const std::vector<std::string>& tokens) {
  std::string text;
  for (const std::string& t : tokens)
    text += (text.empty() ? "" : " ") + t;
  return text;
}

inline bool isTwoQubit(const std::string& mnemonic) {
  return mnemonic == "CNOT" || mnemonic == "CZ" || mnemonic == "CP" || mnemonic == "SWAP";
}

// Reads the exported program back through the placement at each point: every line must be the
// original's next line on the same logical qubits, apart from inserted SWAPs, and every gate
// must act on grid neighbours (on a chip, on qubits joined by a usable coupler). Returns the number
// of inserted SWAPs.
inline int walkBack(const MapResult& r, const Chip* chip = nullptr) {
  const testutil::Placements p = testutil::readPlacements(r.qasm);
  const CircCircuit back = importQasm(r.qasm, "exported", {});
  EXPECT_EQ(p.width, r.width);
  EXPECT_EQ(p.height, r.height);
  EXPECT_EQ(back.qubits.size(),
            static_cast<std::size_t>(chip ? chip->registerSize() : r.width * r.height));
  std::vector<int> nameAt(back.qubits.size(), -1);  // grid index -> qubit in p.names
  for (std::size_t k = 0; k < p.initial.size(); ++k)
    nameAt[static_cast<std::size_t>(p.initial[k])] = static_cast<int>(k);
  auto site = [&](const std::string& physical) { return std::stoi(physical.substr(1)); };
  // On a chip, q[i] is the qubit of device index i, and neighbours share a usable coupler.
  auto adjacent = [&](int a, int b) {
    if (chip) return chip->coupled(chip->siteOf(a), chip->siteOf(b));
    return std::abs(a % r.width - b % r.width) + std::abs(a / r.width - b / r.width) == 1;
  };
  std::vector<std::string> original;
  for (const std::string& line : r.imported.lines)
    original.push_back(normal(whitespaceTokens(line)));
  std::size_t next = 0;
  int inserted = 0;
  for (const std::string& line : back.lines) {
    std::vector<std::string> tokens = whitespaceTokens(line);
    if (isTwoQubit(tokens[0])) {
      EXPECT_TRUE(adjacent(site(tokens[1]), site(tokens[2]))) << line;
    }
    for (std::string& t : tokens) {
      if (t.size() > 1 && t[0] == 'q' && std::all_of(t.begin() + 1, t.end(), ::isdigit)) {
        t = p.names[static_cast<std::size_t>(nameAt[static_cast<std::size_t>(site(t))])];
      }
    }
    const std::string logical = normal(tokens);
    // A swap that is not the original's next line is one the mapping inserted.
    if (tokens[0] == "SWAP" && (next == original.size() || original[next] != logical)) {
      const std::vector<std::string> ends = whitespaceTokens(line);
      std::swap(nameAt[static_cast<std::size_t>(site(ends[1]))],
                nameAt[static_cast<std::size_t>(site(ends[2]))]);
      ++inserted;
      continue;
    }
    if (next == original.size()) {
      ADD_FAILURE() << "extra line " << line;
      break;
    }
    EXPECT_EQ(logical, original[next]) << "exported line " << line;
    if (logical != original[next]) break;
    ++next;
  }
  EXPECT_EQ(next, original.size());
  for (std::size_t k = 0; k < p.final.size(); ++k)
    EXPECT_EQ(nameAt[static_cast<std::size_t>(p.final[k])], static_cast<int>(k)) << p.names[k];
  return inserted;
}

}  // namespace replay
