#pragma once

#include <string>
#include <vector>

#include "check/CheckResult.h"
#include "check/MappedCircuit.h"

// One site of the grid as a picture shows it.
struct PictureSite {
  std::string start;         // the qubit that starts on the site (and names it)
  std::string end;           // the qubit on the site after every inserted SWAP
  bool startFiller = false;  // whether `start` is a filler qubit
  bool endFiller = false;    // whether `end` is a filler qubit
};

// One edge between two neighbouring sites, with what it carried.
struct PictureEdge {
  GridPos from;   // the left or upper site
  GridPos to;     // the right or lower site
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

  // The index in `edges` of the edge between two adjacent positions.
  int edgeIndex(GridPos a, GridPos b) const;
};

// Builds the picture of a mapped circuit read by `readMappedCircuit`. Filler qubits are the
// header's last qubits named like gridswap's fillers ("xxc" and more) that no two-qubit gate
// acts on. A SWAP or gate on sites that are not adjacent is a fault, reported at its line.
CheckResult pictureOf(const MappedCircuit& circuit, MappingPicture* picture);
