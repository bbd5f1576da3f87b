// gridswap-check's command line.
#include <CLI/CLI.hpp>
#include <iostream>

#include "check/CheckMapping.h"
#include "driver/CommandLine.h"

namespace {

const char kCheckHelp[] =
    "Usage: gridswap-check <input circuit> <mapped circuit> [<layout file>]\n"
    "\n"
    "Tells whether a mapped circuit is a correct nearest-neighbour version of its input\n"
    "circuit. The layout file defaults to the mapped circuit's name followed by \".layout\".\n"
    "Prints one line: \"OK: ...\" (exit status 0), \"FAIL FILE:LINE: ...\" (1) or\n"
    "\"Cannot read file: PATH\" (2).\n"
    "\n"
    "Options:\n"
    "  -h, --help  prints this help\n";

// The usage error of a wrong number of file names, or an empty text when the count is right.
std::string countProblem(std::size_t files) {
  if (files == 2 || files == 3) return "";
  return "2 or 3 file names expected, not " + std::to_string(files);
}

}  // namespace

CheckResult runCheckCommand(const std::vector<std::string>& args) {
  const std::string problem = countProblem(args.size());
  if (!problem.empty()) {
    CheckResult usage;
    usage.status = 2;
    usage.message = usageErrorLine(kCheckUsage, problem);
    return usage;
  }
  return checkMapping(args[0], args[1], args.size() == 3 ? args[2] : defaultLayoutPath(args[1]));
}

int runCheckProgram(int argc, char** argv) {
  CLI::App app;
  std::vector<std::string> files;
  app.add_option("files", files)->expected(-1);
  const int parsed = parseCommandLine(app, std::vector<std::string>(argv + 1, argv + argc),
                                      kCheckUsage, kCheckHelp);
  if (parsed >= 0) return parsed;
  const std::string problem = countProblem(files.size());
  if (!problem.empty()) return usageError(kCheckUsage, problem);
  const CheckResult result = runCheckCommand(files);
  std::cout << result.message << std::endl;
  return result.status;
}
