#pragma once

#include <string>
#include <vector>

#include "check/CheckResult.h"

// The name a layout gives a grid position that holds no qubit (a missing site of a chip).
inline constexpr char kNoQubit[] = ".";

// A layout file: one line per grid row, each holding the names of the qubits on that row's
// sites from left to right, every name followed by one space; kNoQubit where no qubit stands
// (unless the mapped circuit declares a qubit of that name).
struct Layout {
  int width = 0;
  int height = 0;
  std::vector<std::string> names;  // row-major: the name at (x, y) is names[y * width + x]
  std::vector<int> lineOf;         // the file line of each entry of `names` (row y is line y + 1)
};

// Reads a layout file and checks that it is a rectangle of names, each followed by one space,
// distinct but for kNoQubit; a fault names the offending line.
CheckResult readLayout(const std::string& path, Layout* layout);

// The same on the lines of a layout held in memory; `path` names it in messages.
CheckResult readLayoutLines(const std::string& path, const std::vector<std::string>& lines,
                            Layout* layout);
