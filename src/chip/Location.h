#pragma once

#include <cstdlib>

// A grid site: column x (0 <= x < width) and row y (0 <= y < height).
struct Location {
  int x = 0;
  int y = 0;
};

inline bool operator==(Location a, Location b) {
  return a.x == b.x && a.y == b.y;
}
inline bool operator!=(Location a, Location b) {
  return !(a == b);
}

// Manhattan distance between two sites.
inline int dist(Location a, Location b) {
  return std::abs(a.x - b.x) + std::abs(a.y - b.y);
}
