#pragma once

#include <istream>
#include <string>

#include "model/CircuitModel.h"
#include "placement/Grid.h"
#include "routing/TrialWorkspace.h"

// The circuit model with one trial workspace beside it, for single-threaded callers: the model's
// members, the workspace's two grids under their usual names, and placement and routing as
// methods that work on that one workspace.
class InterActGraph : public CircuitModel {
 public:
  TrialWorkspace workspace;             // the one workspace the methods below change
  Grid& grid = workspace.grid;          // the placement the routers read
  Grid& workGrid = workspace.workGrid;  // the grid placement works on

  // Reads the circuit file; a file that cannot be opened, a malformed or too large circuit
  // leaves its one-line message in readError.
  InterActGraph(std::string inFile, int W, int H, int gateLimit);
  // Reads a circuit from a stream; a malformed or too large one leaves its message in readError.
  InterActGraph(std::istream& in, std::string inFile, int W, int H, int gateLimit);
  // Reads a circuit to be mapped onto `chip`, from a file or a stream; a chip that cannot take
  // the circuit leaves its message in readError.
  InterActGraph(std::string inFile, std::shared_ptr<const Chip> chip, int gateLimit);
  InterActGraph(std::istream& in, std::string inFile, std::shared_ptr<const Chip> chip,
                int gateLimit);
  InterActGraph(const InterActGraph&) = delete;
  InterActGraph& operator=(const InterActGraph&) = delete;

  // Empties workGrid and copies it into grid.
  void resetGrid();
  // Greedy placement of every qubit from the seed-th ranked one; false after printing the
  // failure report on standard output.
  bool mapToGrid(int seed);
  // Random fill of workGrid, copied into grid.
  void randomMapToGrid();
  // Row-major fill of workGrid, copied into grid.
  void trivialMapToGrid();

  // Baseline cost of the placement in grid; writes the already adjacent gate lines to outFile.
  int insertSwap1(std::string outFile);
  // Baseline cost without touching any file.
  int baselineCost();
  // Windowed routing of the placement in grid; writes the mapped circuit to outFile and the
  // layout to outFile + ".layout" as outputMode says.
  RouteCosts insertSwap2(std::string outFile, int window, int outputMode);
  // Windowed routing that writes to the given output (nothing for a default RouteOutput).
  RouteCosts routeWindowed(int window, int outputMode, RouteOutput& out);
};
