#include "draw/DrawTool.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "check/MappedCircuit.h"
#include "check/TextLines.h"
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
    "\n"
    "Options:\n"
    "  -h, --help  prints this help\n"
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
                           const std::string& svgPath, const SeedChart* chart) {
  for (const std::string& input : {mappedPath, layoutPath}) {
    if (sameFile(input, svgPath))
      return failure("Output file would overwrite the input file: " + svgPath);
  }
  MappedCircuit circuit;
  CheckResult read = readMappedCircuit(mappedPath, layoutPath, &circuit);
  if (!read.ok()) return failure(read.message);
  MappingPicture picture;
  read = pictureOf(circuit, &picture);
  if (!read.ok()) return failure(read.message);
  std::string failed;
  if (!writeFilesAtomically({{svgPath, drawMapping(picture, chart)}}, &failed))
    return failure("Cannot write file: " + failed);
  return DrawResult{0, svgPath + ": grid " + std::to_string(picture.width) + " x " +
                           std::to_string(picture.height) + ", " +
                           counted(picture.gates, "two-qubit gate") + ", " +
                           counted(picture.swaps, "inserted SWAP")};
}

CheckResult drawMappingText(const std::string& mappedName, const std::string& mappedText,
                            const std::string& layoutText, const std::string& title,
                            const SeedChart* chart, std::string* svg) {
  MappedCircuit circuit;
  CheckResult read =
      readMappedCircuitLines(mappedName, textLines(mappedText), defaultLayoutPath(mappedName),
                             textLines(layoutText), &circuit);
  if (!read.ok()) return read;
  MappingPicture picture;
  read = pictureOf(circuit, &picture);
  if (!read.ok()) return read;
  picture.name = title;
  *svg = drawMapping(picture, chart);
  return CheckResult();
}

int runDrawCommand(const std::vector<std::string>& args) {
  CLI::App app;
  std::vector<std::string> files;
  app.add_option("files", files)->expected(-1);
  const int parsed = parseCommandLine(app, args, kDrawUsage, kHelp);
  if (parsed >= 0) return parsed;
  if (files.size() != 2 && files.size() != 3) {
    return usageError(kDrawUsage,
                      "2 or 3 file names expected, not " + std::to_string(files.size()));
  }
  const std::string& mapped = files[0];
  const std::string layout = files.size() == 3 ? files[1] : defaultLayoutPath(mapped);
  const DrawResult result = drawMappingFile(mapped, layout, files.back());
  (result.status == 0 ? std::cout : std::cerr) << result.message << std::endl;
  return result.status;
}
