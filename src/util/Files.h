#pragma once

#include <string>

// Small file helpers shared by the programs.

// True when `output` names the file `input`, by path or as the same existing file.
bool sameFile(const std::string& input, const std::string& output);

// Replaces the file at `path` with `text`; false when it could not be written in full.
bool writeWholeFile(const std::string& path, const std::string& text);
