#pragma once

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
