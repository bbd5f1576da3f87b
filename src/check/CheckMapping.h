#pragma once

#include <string>
#include <vector>

#include "check/CheckResult.h"
#include "check/InputCircuit.h"
#include "check/MappedCircuit.h"

class Chip;

// Checks that a mapped circuit with its layout file is a correct nearest-neighbour version of
// an input circuit: every inserted SWAP and two-qubit gate acts on adjacent sites, the gates
// are the input's on the same qubits in the same order, and every other line is kept. On
// success the message is the "OK: ..." summary line. With a chip the layout must fit it
// (checkFitsChip), every SWAP and gate must use one of its usable couplers, and the summary
// names the chip as `chipName`; without one, the grid's couplers are all usable.
CheckResult checkMapping(const std::string& inputPath, const std::string& mappedPath,
                         const std::string& layoutPath, const Chip* chip = nullptr,
                         const std::string& chipName = "");

// The same check on the three texts held in memory (a mapping made in the same process); the
// paths name them in messages.
CheckResult checkMappingText(const std::string& inputPath, const std::string& inputText,
                             const std::string& mappedPath, const std::string& mappedText,
                             const std::string& layoutPath, const std::string& layoutText,
                             const Chip* chip = nullptr, const std::string& chipName = "");

// The same check on circuits already read, for callers that hold them.
CheckResult checkMapped(const InputCircuit& input, const MappedCircuit& mapped,
                        const Chip* chip = nullptr, const std::string& chipName = "");

// The usage of gridswap-check, without "Usage: ".
extern const char kCheckUsage[];

// Runs gridswap-check on its file arguments (without the program name and options), on the
// chip when one is given: a wrong argument count gives status 2 with the usage error line.
CheckResult runCheckCommand(const std::vector<std::string>& args, const Chip* chip = nullptr,
                            const std::string& chipName = "");

// gridswap-check's command line: "--help" prints the help (status 0), a usage error one
// "Usage: ..." line on standard error (status 2); otherwise the check's line on standard output
// and its status.
int runCheckProgram(int argc, char** argv);
