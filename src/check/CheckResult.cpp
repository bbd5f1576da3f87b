#include "check/CheckResult.h"

CheckResult faultAt(const std::string& file, int line, const std::string& what) {
  CheckResult result;
  result.status = 1;
  result.message = "FAIL " + file + ":" + std::to_string(line) + ": " + what;
  return result;
}

CheckResult unreadableFile(const std::string& path) {
  CheckResult result;
  result.status = 2;
  result.message = "Cannot read file: " + path;
  return result;
}

std::string quoted(const std::string& text) {
  return "\"" + text + "\"";
}
