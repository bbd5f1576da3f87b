#pragma once

#include <cstdint>
#include <string>

#include "chip/Chip.h"

// Circuits with a known zero-SWAP placement, the yardsticks of the effort search.

// A chain: qubits q0 .. q(n-1), an H on q0, then CNOT q0 q1, CNOT q1 q2, ... (a GHZ state).
std::string chainCircuit(int qubits);

// `depth` layers of CNOTs between neighbouring sites of a width x height grid (each layer a
// random set of disjoint neighbour pairs), on qubits whose names are a random permutation of
// the sites: placing each qubit on its site needs no SWAP. The same seed gives the same text.
std::string neighbourLayersCircuit(int width, int height, int depth, std::uint32_t seed);

// `depth` layers of CNOTs on usable couplers of `chip` (each layer a random set of disjoint
// coupled pairs), on qubits q0 .. q(n-1) for the chip's n live sites, named in a random
// permutation: placing each qubit on its site needs no SWAP. The same seed gives the same text.
std::string chipLayersCircuit(const Chip& chip, int depth, std::uint32_t seed);
