#pragma once

#include <cstdint>
#include <vector>

#include "chip/Chip.h"
#include "driver/InterActGraph.h"
#include "routing/GridPaths.h"
#include "search/Embedding.h"

// Starting placements for the search. Every one is a complete placement: each site of the
// grid holds a distinct qubit index (filler qubits included), as mapToGrid leaves it.

// The greedy placement of mapToGrid from the seed-th ranked qubit (the default's trial).
AllocMatrix greedyPlacement(InterActGraph& graph, int seed);

// Lays the qubits of `order` along the grid's serpentine (the first row left to right, the
// next right to left, ...), so that consecutive qubits of the order stand on adjacent sites.
// Qubits missing from the order fill the remaining sites in index order.
AllocMatrix serpentinePlacement(const InterActGraph& graph, const std::vector<int>& order);

// When every qubit meets at most two partners and the interaction graph has no cycle, its
// paths one after the other (each walked from an end, longest first, then the idle qubits);
// otherwise empty. Along a serpentine this order makes every two-qubit gate adjacent.
std::vector<int> chainOrder(const InterActGraph& graph);

// A depth-first order of the interaction graph from `root`, taking the partner with the most
// shared gates first, then the remaining parts and idle qubits: a chain-like circuit's
// qubits follow their gates along it.
std::vector<int> depthFirstOrder(const InterActGraph& graph, int root);

// The qubits in the order the circuit's two-qubit gates first use them (a gate's first operand
// before its second), then the idle qubits in index order.
std::vector<int> firstUseOrder(const InterActGraph& graph);

// Lays the qubits of `order` along a snake of strips `band` columns wide: down the first strip
// row by row (each row left to right), up the next, and so on. Qubits that meet in turn then
// stand close together with room on both sides, which suits circuits whose qubits each meet
// many others in order (a QFT). Qubits missing from the order fill the remaining sites.
AllocMatrix bandPlacement(const InterActGraph& graph, const std::vector<int>& order, int band);

// A placement drawn from a fixed-seed generator: the same `seed` gives the same placement on
// every platform.
AllocMatrix randomPlacement(const InterActGraph& graph, std::uint32_t seed);

// A placement under which every two-qubit gate acts on a usable coupler of `chip`, searched with
// embedGraph within `workLimit` units: on kFound, *placement holds it, the qubits without
// two-qubit gates and the filler qubits on the remaining live sites in index order. On kUnknown
// with `nearly`, *nearly holds the most qubits the search had placed at once with the others
// filled in the same way (empty when it placed none). When that search ends without an answer
// and `conflictLimit` is above 0, satEmbedding has the last word within that many conflicts.
EmbedStatus embeddedPlacement(const InterActGraph& graph, const Chip& chip, long long workLimit,
                              AllocMatrix* placement, AllocMatrix* nearly = nullptr,
                              long long conflictLimit = 0);

// A placement under which the longest prefix of the circuit that the embedding search can fit
// acts on usable couplers only: the prefix length is found by bisection, each embedding
// search spending at most `workLimit` / 16 units. The rest of the qubits fill the remaining
// live sites in index order. Empty when not even the first gate's prefix embeds.
AllocMatrix prefixPlacement(const InterActGraph& graph, const Chip& chip, long long workLimit);
