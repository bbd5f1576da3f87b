#pragma once

#include <map>
#include <string>
#include <vector>

#include "check/CheckResult.h"

class Chip;

// A grid position: column x (0 <= x < width) and row y (0 <= y < height).
struct GridPos {
  int x = 0;
  int y = 0;
};

// Manhattan distance between two grid positions; 1 means adjacent.
int gridDistance(GridPos a, GridPos b);

// One record of a mapped circuit, in file order.
struct MappedLine {
  enum Kind {
    kHeader,  // a header block: ".qubit N", an empty line, N "qubit NAME" lines
    kSwap,    // an inserted SWAP: "SWAP s1 s2", no fourth field and no trailing space
    kGate,    // a two-qubit gate: "MNEMONIC s1 s2 FIELD4", FIELD4 possibly empty
    kEnd,     // the line ".end"
    kOther,   // any other line: copied unchanged from the input circuit
  };
  Kind kind = kOther;
  int number = 0;        // the (first) line number in the file, from 1
  std::string text;      // the line as read
  std::string mnemonic;  // kGate: the mnemonic as written
  int site1 = -1;        // kSwap, kGate: the two sites, as site numbers
  int site2 = -1;
  std::string field4;  // kGate: the fourth field, empty when the gate has none
};

// A mapped circuit read together with its layout file, with the grid geometry that follows from
// both. Qubits are numbered in the order the header declares them; site i is the site that
// qubit i starts on, and it is named after that qubit. Grid positions that the layout marks "."
// hold no qubit and are no site.
struct MappedCircuit {
  std::string path;                    // the mapped-circuit file
  std::string layoutPath;              // the layout file
  int lineCount = 0;                   // number of lines in the mapped-circuit file
  int headerLine = 0;                  // line of the first header block's ".qubit"
  std::vector<std::string> qubits;     // qubit (and site) names in header order
  std::vector<int> qubitLine;          // line of each qubit's "qubit NAME" in the first header
  std::map<std::string, int> indexOf;  // qubit name -> qubit (and site) number
  std::vector<MappedLine> lines;       // every record of the file, in order
  int swapCount = 0;                   // number of inserted SWAP lines
  int gateCount = 0;                   // number of two-qubit gate lines

  int width = 0;                 // grid columns
  int height = 0;                // grid rows
  std::vector<GridPos> sitePos;  // site -> its grid position
  std::vector<int> initialAt;    // grid index y*width+x -> the qubit that starts there, or -1
  std::vector<int> finalAt;      // grid index -> the qubit there after every inserted SWAP, or -1

  // The grid index y*width+x of a site, the numbering that exported circuits use.
  int gridIndex(int site) const { return sitePos[site].y * width + sitePos[site].x; }

  // True when every qubit ends on the site it started on.
  bool restored() const { return finalAt == initialAt; }
};

// A grid position as written in messages: "(x,y)".
std::string positionText(GridPos p);

// Checks that a SWAP or gate record acts on adjacent sites, and on a chip (when given) on two
// sites joined by a usable coupler; the fault names both sites.
CheckResult checkAdjacentSites(const MappedCircuit& circuit, const MappedLine& record,
                               const Chip* chip = nullptr);

// The layout file that belongs to a mapped circuit: the circuit's file name plus ".layout".
std::string defaultLayoutPath(const std::string& mappedPath);

// Reads a mapped circuit and its layout file and derives every site's grid position. The
// layout shows where each qubit stands when the last ".end" line is reached (at the start when
// there is none); replaying the inserted SWAPs up to there tells which qubit then stands on
// which site, and so where each site is. Checks the formats of both files on the way; returns
// the first fault, or status 2 when a file cannot be read.
CheckResult readMappedCircuit(const std::string& mappedPath, const std::string& layoutPath,
                              MappedCircuit* circuit);

// The same on the lines of both files held in memory; the paths name them in messages.
CheckResult readMappedCircuitLines(const std::string& mappedPath,
                                   const std::vector<std::string>& lines,
                                   const std::string& layoutPath,
                                   const std::vector<std::string>& layoutLines,
                                   MappedCircuit* circuit);
