#pragma once

#include <string>
#include <vector>

#include "check/CheckResult.h"
#include "draw/DrawMapping.h"

class Chip;

// What drawing a mapping to a file concluded: the line to print and the exit status.
struct DrawResult {
  int status = 0;       // 0 when the picture was written, 1 when a file was wrong or unwritable
  std::string message;  // on success the summary line, else the one error line
};

// Reads a mapped circuit and its layout file, draws the mapping (with the chart, when given)
// and writes the SVG to `svgPath` through a temporary file renamed into place. On a chip (when
// given) the mapping must fit it and the summary names it as `chipName`.
DrawResult drawMappingFile(const std::string& mappedPath, const std::string& layoutPath,
                           const std::string& svgPath, const SeedChart* chart = nullptr,
                           const Chip* chip = nullptr, const std::string& chipName = "");

// Draws a mapping held in memory (made in the same process): the texts of the mapped circuit and
// of its layout file. `mappedName` names the mapped circuit in messages (its layout is that name
// followed by ".layout"), `title` is the file name the picture's title shows. On success `svg`
// holds the picture; otherwise the result is the reader's fault. On a chip (when given) the
// mapping must fit it, and its unusable couplers are drawn dashed.
CheckResult drawMappingText(const std::string& mappedName, const std::string& mappedText,
                            const std::string& layoutText, const std::string& title,
                            const SeedChart* chart, std::string* svg, const Chip* chip = nullptr);

// The usage of gridswap-draw, without "Usage: ".
extern const char kDrawUsage[];

// Runs gridswap-draw on its arguments (without the program name): "--help" prints the help on
// standard output (status 0), a usage error one "Usage: ..." line on standard error (status 2);
// otherwise the summary line on standard output, or the error line on standard error (status 1).
int runDrawCommand(const std::vector<std::string>& args);
