#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chip/Chip.h"
#include "chip/Location.h"

// Chips with broken qubits and unusable couplers, for tests and the bundled chip files.

// A width x height chip from which round(missingFraction * sites) qubits and then
// round(deadCouplerFraction * remaining couplers) couplers are taken at random, each only when
// the qubits left stay joined by usable couplers and every row and column keeps a qubit (so the
// grid keeps its size). The sites in `broken` are missing from the start and count towards the
// missing ones. Device indices are the full grid's, row by row: a missing qubit keeps the
// others' numbers. The same arguments give the same chip on every platform. Throws
// std::invalid_argument for sides outside 1 .. Chip::kMaxSide, a fraction outside 0 .. 1, broken
// sites that split the chip, or more qubits or couplers to take than the chip can lose.
Chip generatedChip(int width, int height, double missingFraction, double deadCouplerFraction,
                   std::uint32_t seed, const std::vector<Location>& broken = {});

// The chip file text of a chip: a comment with its size and a picture, then its qubit lines row
// by row and its no-coupler lines. Reading the text gives the same chip.
std::string chipText(const Chip& chip);
