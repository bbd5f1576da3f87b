// gridswap-check's command line.
#include <CLI/CLI.hpp>
#include <iostream>

#include "check/CheckMapping.h"
#include "chip/ChipReader.h"
#include "driver/CommandLine.h"

namespace {

const char kCheckHelp[] =
    "Usage: gridswap-check [--chip FILE] <input circuit> <mapped circuit> [<layout file>]\n"
    "\n"
    "Tells whether a mapped circuit is a correct nearest-neighbour version of its input\n"
    "circuit. The layout file defaults to the mapped circuit's name followed by \".layout\".\n"
    "Prints one line: \"OK: ...\" (exit status 0), \"FAIL FILE:LINE: ...\" (1) or\n"
    "\"Cannot read file: PATH\" (2).\n"
    "\n"
    "Options:\n"
    "  --chip FILE  checks the mapping against the chip of FILE: the layout must be its grid\n"
    "               with \".\" exactly where it has no qubit, and every SWAP and gate must use\n"
    "               a usable coupler (a malformed chip file gives its line, exit status 2)\n"
    "  -h, --help   prints this help\n";

// The usage error of a wrong number of file names, or an empty text when the count is right.
std::string countProblem(std::size_t files) {
  if (files == 2 || files == 3) return "";
  return "2 or 3 file names expected, not " + std::to_string(files);
}

}  // namespace

CheckResult runCheckCommand(const std::vector<std::string>& args, const Chip* chip,
                            const std::string& chipName) {
  const std::string problem = countProblem(args.size());
  if (!problem.empty()) {
    CheckResult usage;
    usage.status = 2;
    usage.message = usageErrorLine(kCheckUsage, problem);
    return usage;
  }
  return checkMapping(args[0], args[1], args.size() == 3 ? args[2] : defaultLayoutPath(args[1]),
                      chip, chipName);
}

int runCheckProgram(int argc, char** argv) {
  CLI::App app;
  std::vector<std::string> files;
  std::string chipPath;
  app.add_option("--chip", chipPath)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("files", files)->expected(-1);
  const int parsed = parseCommandLine(app, std::vector<std::string>(argv + 1, argv + argc),
                                      kCheckUsage, kCheckHelp);
  if (parsed >= 0) return parsed;
  if (app.count("--chip") && chipPath.empty())
    return usageError(kCheckUsage, "--chip needs a file name");
  const std::string problem = countProblem(files.size());
  if (!problem.empty()) return usageError(kCheckUsage, problem);
  Chip chip;
  if (!chipPath.empty()) {
    try {
      chip = readChip(chipPath);
    } catch (const ChipError& e) {
      std::cout << e.what() << std::endl;
      return 2;
    }
  }
  const CheckResult result = runCheckCommand(files, chipPath.empty() ? nullptr : &chip, chipPath);
  std::cout << result.message << std::endl;
  return result.status;
}
