#pragma once

#include "check/CheckResult.h"
#include "check/MappedCircuit.h"

class Chip;

// Checks that a mapped circuit read with its layout fits a chip: the layout is as large as the
// chip's grid, every site stands where the chip has a qubit and every qubit of the chip holds a
// site. A fault is reported at its line of the layout file (row y is line y + 1).
CheckResult checkFitsChip(const MappedCircuit& circuit, const Chip& chip);
