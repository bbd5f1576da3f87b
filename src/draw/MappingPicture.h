#pragma once

#include <string>
#include <vector>

#include "check/CheckResult.h"
#include "check/MappedCircuit.h"

class Chip;

// One position of the grid as a picture shows it: a site, or a position with no qubit.
struct PictureSite {
  bool empty = false;        // whether no qubit stands here (a missing site of a chip)
  std::string start;         // the qubit that starts on the site (and names it)
  std::string end;           // the qubit on the site after every inserted SWAP
  bool startFiller = false;  // whether `start` is a filler qubit
  bool endFiller = false;    // whether `end` is a filler qubit
};

// One edge between two neighbouring positions, with what it carried.
struct PictureEdge {
  enum Coupler {
    kUsable,    // a coupler that SWAPs and gates may use
    kUnusable,  // a coupler of the chip that cannot be used, drawn dashed
    kNone,      // a position at either end holds no qubit: nothing is drawn
  };
  GridPos from;  // the left or upper site
  GridPos to;    // the right or lower site
  Coupler coupler = kUsable;
  int swaps = 0;  // inserted SWAP lines on the two sites
  int gates = 0;  // two-qubit gate lines on the two sites
};

// What a picture of a mapping shows: the grid, every site's first and last qubit, every edge's
// load, and the totals of the title line.
struct MappingPicture {
  std::string name;  // the file name shown in the title, without its folder
  int width = 0;
  int height = 0;
  int qubits = 0;                  // the circuit's own qubits
  int fillers = 0;                 // filler qubits on the grid's spare sites
  int gates = 0;                   // two-qubit gate lines
  int swaps = 0;                   // inserted SWAP lines
  bool restored = false;           // whether every qubit ends where it started
  std::vector<PictureSite> sites;  // grid index y*width+x -> site
  std::vector<PictureEdge> edges;  // rows of horizontal edges, then rows of vertical edges
  int maxSwaps = 0;                // the largest `swaps` of any edge
  int maxGates = 0;                // the largest `gates` of any edge
  bool unusable = false;           // whether some edge's coupler cannot be used

  // The index in `edges` of the edge between two adjacent positions.
  int edgeIndex(GridPos a, GridPos b) const;
};

// Builds the picture of a mapped circuit read by `readMappedCircuit`. Filler qubits are the
// header's last qubits named like gridswap's fillers ("xxc" and more) that no two-qubit gate
// acts on. A SWAP or gate on sites that are not adjacent is a fault, reported at its line. On a
// chip (when given) the layout must fit it (checkFitsChip), its unusable couplers are marked,
// and a SWAP or gate on one is a fault too.
CheckResult pictureOf(const MappedCircuit& circuit, MappingPicture* picture,
                      const Chip* chip = nullptr);
