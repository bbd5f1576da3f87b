#include "draw/DrawTool.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "check/MappedCircuit.h"
#include "check/TextLines.h"
#include "chip/ChipReader.h"
#include "driver/AtomicFiles.h"
#include "driver/CommandLine.h"
#include "util/Files.h"

const char kDrawUsage[] = "gridswap-draw [options] MAPPED.circ [LAYOUT] OUT.svg";

namespace {

const char kHelp[] =
    "Usage: gridswap-draw [options] MAPPED.circ [LAYOUT] OUT.svg\n"
    "\n"
    "Draws a mapping made by gridswap as an SVG picture: the grid's sites with the qubit each\n"
    "starts and ends with, and every edge coloured by the inserted SWAPs it carried, with the\n"
    "number of two-qubit gates it carried. LAYOUT defaults to MAPPED.circ followed by "
    "\".layout\".\n"
    "Positions the layout marks \".\" hold no qubit and are left blank.\n"
    "\n"
    "Options:\n"
    "  --chip FILE  draws the mapping on the chip of FILE, which it must fit (the layout its\n"
    "               grid, \".\" exactly where it has no qubit); unusable couplers are dashed\n"
    "  -h, --help   prints this help\n"
    "\n"
    "Exit status: 0 when the picture is written, 1 when a file cannot be read, is malformed or\n"
    "cannot be written, 2 for wrong arguments.\n";

DrawResult failure(const std::string& message) {
  return DrawResult{1, message};
}

std::string counted(int n, const std::string& noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

}  // namespace

DrawResult drawMappingFile(const std::string& mappedPath, const std::string& layoutPath,
                           const std::string& svgPath, const SeedChart* chart, const Chip* chip,
                           const std::string& chipName) {
  for (const std::string& input : {mappedPath, layoutPath}) {
    if (sameFile(input, svgPath))
      return failure("Output file would overwrite the input file: " + svgPath);
  }
  MappedCircuit circuit;
  CheckResult read = readMappedCircuit(mappedPath, layoutPath, &circuit);
  if (!read.ok()) return failure(read.message);
  MappingPicture picture;
  read = pictureOf(circuit, &picture, chip);
  if (!read.ok()) return failure(read.message);
  std::string failed;
  if (!writeFilesAtomically({{svgPath, drawMapping(picture, chart)}}, &failed))
    return failure("Cannot write file: " + failed);
  const std::string where =
      chip ? "chip " + chipName + " (" + counted(chip->liveCount(), "qubit") + ")"
           : "grid " + std::to_string(picture.width) + " x " + std::to_string(picture.height);
  return DrawResult{0, svgPath + ": " + where + ", " + counted(picture.gates, "two-qubit gate") +
                           ", " + counted(picture.swaps, "inserted SWAP")};
}

CheckResult drawMappingText(const std::string& mappedName, const std::string& mappedText,
                            const std::string& layoutText, const std::string& title,
                            const SeedChart* chart, std::string* svg, const Chip* chip) {
  MappedCircuit circuit;
  CheckResult read =
      readMappedCircuitLines(mappedName, textLines(mappedText), defaultLayoutPath(mappedName),
                             textLines(layoutText), &circuit);
  if (!read.ok()) return read;
  MappingPicture picture;
  read = pictureOf(circuit, &picture, chip);
  if (!read.ok()) return read;
  picture.name = title;
  *svg = drawMapping(picture, chart);
  return CheckResult();
}

int runDrawCommand(const std::vector<std::string>& args) {
  CLI::App app;
  std::vector<std::string> files;
  std::string chipPath;
  app.add_option("--chip", chipPath)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("files", files)->expected(-1);
  const int parsed = parseCommandLine(app, args, kDrawUsage, kHelp);
  if (parsed >= 0) return parsed;
  if (app.count("--chip") && chipPath.empty()) {
    return usageError(kDrawUsage, "--chip needs a file name");
  }
  if (files.size() != 2 && files.size() != 3) {
    return usageError(kDrawUsage,
                      "2 or 3 file names expected, not " + std::to_string(files.size()));
  }
  Chip chip;
  if (!chipPath.empty()) {
    try {
      chip = readChip(chipPath);
    } catch (const ChipError& e) {
      std::cerr << e.what() << std::endl;
      return 1;
    }
  }
  const std::string& mapped = files[0];
  const std::string layout = files.size() == 3 ? files[1] : defaultLayoutPath(mapped);
  const DrawResult result = drawMappingFile(mapped, layout, files.back(), nullptr,
                                            chipPath.empty() ? nullptr : &chip, chipPath);
  (result.status == 0 ? std::cout : std::cerr) << result.message << std::endl;
  return result.status;
}
