// Placements that ignore the circuit (row-major and random) and the grid printout.
#include <ctime>
#include <iomanip>
#include <iostream>
#include <random>

#include "placement/Grid.h"

void Grid::trivialLocate() {
  int counter = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      allocationMap[y][x] = counter++;
      freedomMap[y][x] = 0;
    }
  }
}

void Grid::randomLocate() {
  const int n = width * height;
  std::vector<int> order(n);
  for (int i = 0; i < n; ++i)
    order[i] = i;
  // A generator of this call's own, not the process-wide rand(), so that fills on several
  // threads do not share state.
  std::minstd_rand random(static_cast<unsigned>(std::time(nullptr)));
  // One exchange pass with a random partner per entry (not Fisher-Yates).
  for (int i = 0; i < n; ++i)
    std::swap(order[i], order[random() % n]);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      allocationMap[y][x] = order[y * width + x];
      freedomMap[y][x] = 0;
    }
  }
}

void Grid::printGrid() const {
  std::cout << "----- Print Grid -----" << std::endl;
  std::cout << "--- allocation map ---" << std::endl;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      std::cout << std::setw(3) << allocationMap[y][x] << ' ';
    std::cout << std::endl;
  }
}
