#pragma once

#include <string>

// What a check concluded: the one line to print and the exit status to end with.
struct CheckResult {
  int status = 0;       // 0 when correct, 1 for a fault, 2 for an unreadable file or usage error
  std::string message;  // the single line to print, without its line feed

  bool ok() const { return status == 0; }
};

// A fault found at a line of a file: "FAIL <file>:<line>: <what>", status 1.
CheckResult faultAt(const std::string& file, int line, const std::string& what);

// A file that cannot be opened or read: "Cannot read file: <path>", status 2.
CheckResult unreadableFile(const std::string& path);

// Quotes a name or a line for a message, so that empty lines and spaces stay visible.
std::string quoted(const std::string& text);
