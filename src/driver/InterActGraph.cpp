#include "driver/InterActGraph.h"

#include <fstream>
#include <iostream>

#include "placement/Placement.h"
#include "routing/Routers.h"

InterActGraph::InterActGraph(std::string inFile, int W, int H, int gateLimit)
    : CircuitModel(std::move(inFile), W, H, gateLimit), workspace(*this) {}

InterActGraph::InterActGraph(std::istream& in, std::string inFile, int W, int H, int gateLimit)
    : CircuitModel(in, std::move(inFile), W, H, gateLimit), workspace(*this) {}

InterActGraph::InterActGraph(std::string inFile, std::shared_ptr<const Chip> chip, int gateLimit)
    : CircuitModel(std::move(inFile), std::move(chip), gateLimit), workspace(*this) {}

InterActGraph::InterActGraph(std::istream& in, std::string inFile, std::shared_ptr<const Chip> chip,
                             int gateLimit)
    : CircuitModel(in, std::move(inFile), std::move(chip), gateLimit), workspace(*this) {}

void InterActGraph::resetGrid() {
  resetWorkspace(workspace);
}

bool InterActGraph::mapToGrid(int seed) {
  std::string failure;
  const bool placed = placeTrial(*this, workspace, seed, &failure);
  std::cout << failure << std::flush;
  return placed;
}

int InterActGraph::insertSwap1(std::string outFile) {
  std::ofstream out(outFile, std::ios::out | std::ios::trunc | std::ios::binary);
  return ::baselineCost(*this, grid, &out);
}

int InterActGraph::baselineCost() {
  return ::baselineCost(*this, grid, nullptr);
}

RouteCosts InterActGraph::insertSwap2(std::string outFile, int window, int outputMode) {
  std::ofstream circuit(outFile, std::ios::out | std::ios::trunc | std::ios::binary);
  RouteOutput out;
  out.circuit = &circuit;
  if (outputMode > 0) out.layoutPath = outFile + ".layout";
  return routeWindowed(window, outputMode, out);
}

RouteCosts InterActGraph::routeWindowed(int window, int outputMode, RouteOutput& out) {
  return ::routeWindowed(*this, workspace, window, outputMode, out);
}

void InterActGraph::randomMapToGrid() {
  workGrid.randomLocate();
  grid = workGrid;
}

void InterActGraph::trivialMapToGrid() {
  workGrid.trivialLocate();
  grid = workGrid;
}
