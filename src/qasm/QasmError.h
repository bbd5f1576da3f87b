#pragma once

#include <stdexcept>
#include <string>

// A reason to stop converting, tied to a line of the file being read (0 when no line applies).
// `file` names that file when it is not the one the caller is reading. The command line reports
// it as "FILE:LINE: message", or "FILE: message" without a line.
class QasmError : public std::runtime_error {
 public:
  QasmError(int line, const std::string& message, std::string file = "")
      : std::runtime_error(message), line(line), file(std::move(file)) {}
  int line;
  std::string file;
};
