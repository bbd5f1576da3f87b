#pragma once

#include <string>
#include <vector>

#include "check/CheckResult.h"
#include "driver/InterActGraph.h"
#include "search/EffortSearch.h"

// The mapped circuit and the layout file of the search's choice, as the windowed router writes
// them (for a backward routing, read back); empty texts when the search found nothing.
void renderMapping(InterActGraph& graph, const SearchResult& result, std::string& circuitText,
                   std::string& layoutText);

// Renders the search's choice and checks it against the input circuit under temporary names
// beside the outputs (outFile and layoutFile, each followed by ".unchecked"); only a mapping
// that passes is renamed to outFile and its layout to layoutFile. Returns the check's result,
// or "Cannot write file: PATH" (status 1) when a file cannot be written.
// On a chip (when given) the check holds the mapping to the chip, named chipName in the summary.
CheckResult writeMapping(InterActGraph& graph, const SearchResult& result,
                         const std::string& outFile, const std::string& layoutFile,
                         const Chip* chip = nullptr, const std::string& chipName = "");

// The usage line of gridswap-map.
extern const char kEffortMapUsage[];

// Runs gridswap-map on its arguments (without the program name) and returns the exit status:
// 0 on a checked mapping, 1 for a failure, 2 for a usage error.
int runMapCommand(const std::vector<std::string>& args);
