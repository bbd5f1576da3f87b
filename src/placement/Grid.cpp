#include "placement/Grid.h"

Grid::Grid(int width, int height)
    : allocationMap(height, std::vector<int>(width, -1)),
      freedomMap(height, std::vector<int>(width, 0)),
      width(width),
      height(height) {
  freedom();
  isTall = width <= height;
}

Grid::Grid(const Chip& chip) : Grid(chip.width(), chip.height()) {
  if (chip.full()) return;
  this->chip = &chip;
  resetGrid();
}

void Grid::freedom() {
  if (chip) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        int count = 0;
        if (allocationMap[y][x] != kNoSite) {
          for (Location n : chip->neighbours({x, y}))
            count += allocationMap[n.y][n.x] == -1;
        }
        freedomMap[y][x] = count;
      }
    }
    return;
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int count = 0;
      if (x > 0 && allocationMap[y][x - 1] == -1) ++count;
      if (y > 0 && allocationMap[y - 1][x] == -1) ++count;
      if (x + 1 < width && allocationMap[y][x + 1] == -1) ++count;
      if (y + 1 < height && allocationMap[y + 1][x] == -1) ++count;
      freedomMap[y][x] = count;
    }
  }
}

void Grid::updateFreedom(Location loc) {
  const int x = loc.x;
  const int y = loc.y;
  freedomMap[y][x] = 0;
  if (chip) {
    for (Location n : chip->neighbours(loc)) {
      int& f = freedomMap[n.y][n.x];
      if (f > 0) --f;
    }
    return;
  }
  // Neighbours in the order left, right, up, down; freedom never goes below 0.
  const Location neighbours[4] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
  for (Location n : neighbours) {
    if (n.x < 0 || n.x >= width || n.y < 0 || n.y >= height) continue;
    int& f = freedomMap[n.y][n.x];
    if (f > 0) --f;
  }
}

void Grid::resetGrid() {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      allocationMap[y][x] = chip && !chip->usable({x, y}) ? kNoSite : -1;
      freedomMap[y][x] = 0;
    }
  }
  freedom();
}

Location Grid::idxToLoc(int qubit) const {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (allocationMap[y][x] == qubit) return {x, y};
    }
  }
  return {-1, -1};
}
