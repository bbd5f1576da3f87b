#pragma once

#include <string>
#include <vector>

#include "check/CheckResult.h"
#include "check/InputCircuit.h"
#include "check/MappedCircuit.h"

// Checks that a mapped circuit with its layout file is a correct nearest-neighbour version of
// an input circuit: every inserted SWAP and two-qubit gate acts on adjacent sites, the gates
// are the input's on the same qubits in the same order, and every other line is kept. On
// success the message is the "OK: ..." summary line.
CheckResult checkMapping(const std::string& inputPath, const std::string& mappedPath,
                         const std::string& layoutPath);

// The same check on circuits already read, for callers that hold them.
CheckResult checkMapped(const InputCircuit& input, const MappedCircuit& mapped);

// The usage line of gridswap-check.
extern const char kCheckUsage[];

// Runs gridswap-check on its arguments (without the program name): usage errors give status 2.
CheckResult runCheckCommand(const std::vector<std::string>& args);
