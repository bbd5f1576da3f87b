#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "model/CircuitModel.h"
#include "routing/GridPaths.h"

// Line formats of the mapped-circuit file and the layout file.

// ".qubit N", an empty line, then "qubit NAME" for every qubit index 0 .. nodeNum-1.
void writeHeaderBlock(std::ostream& out, const CircuitModel& model);

// A two-qubit gate on two sites: four fields joined by single spaces (the last may be empty).
void writeGateLine(std::ostream& out, std::string_view mnemonic, const std::string& site1,
                   const std::string& site2, std::string_view trailing);

// An inserted SWAP: "SWAP s1 s2" with no trailing space.
void writeSwapLine(std::ostream& out, const std::string& site1, const std::string& site2);

// The layout table: one line per row, each site's qubit name followed by a space.
std::string layoutText(const AllocMatrix& alloc, int width, int height, const CircuitModel& model);
