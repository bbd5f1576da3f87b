#pragma once

#include <istream>
#include <stdexcept>
#include <string>

#include "chip/Chip.h"

// A chip file that cannot be opened or read: the whole one-line message ("FILE:LINE: what is
// wrong", or "Cannot open file: PATH").
class ChipError : public std::runtime_error {
 public:
  explicit ChipError(const std::string& line) : std::runtime_error(line) {}
};

// Reads a chip file: "qubit INDEX X Y" and "no-coupler A B" lines, "#" starting a comment.
// Throws ChipError with the message of the first malformed line.
Chip readChip(const std::string& path);
// The same from a stream; `name` stands for the file in messages.
Chip parseChip(std::istream& in, const std::string& name);
