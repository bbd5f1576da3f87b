#include "routing/GridPaths.h"

#include <cstdlib>

void swapQubit(Location a, Location b, AllocMatrix& alloc) {
  std::swap(alloc[a.y][a.x], alloc[b.y][b.x]);
}

void swapQubit(int qa, int qb, QubitLocMap& qubitLoc) {
  Location& la = qubitLoc[qa];
  Location& lb = qubitLoc[qb];
  std::swap(la, lb);
}

void applySwap(Location p, Location q, AllocMatrix& alloc, QubitLocMap& qubitLoc) {
  const int qp = alloc[p.y][p.x];
  const int qq = alloc[q.y][q.x];
  swapQubit(p, q, alloc);
  if (qp != -1) qubitLoc[qp] = q;
  if (qq != -1) qubitLoc[qq] = p;
}

void findPath(Location from, Location to, std::vector<Location>& path) {
  const int dx = to.x - from.x;
  const int dy = to.y - from.y;
  const int sx = dx > 0 ? 1 : (dx < 0 ? -1 : 0);
  const int sy = dy > 0 ? 1 : (dy < 0 ? -1 : 0);
  path.push_back(from);
  if (from.y != to.y) {
    for (int i = 1; i <= std::abs(dx); ++i)
      path.push_back({from.x + sx * i, from.y});
    for (int j = 1; j <= std::abs(dy) - 1; ++j)
      path.push_back({to.x, from.y + sy * j});
  } else {
    for (int i = 1; i <= std::abs(dx) - 1; ++i)
      path.push_back({from.x + sx * i, from.y});
  }
}

int quadrantCode(Location s, Location t) {
  if (t.x < s.x) return t.y >= s.y ? 3 : 2;
  return t.y >= s.y ? 4 : 1;
}

namespace {

// The x and y step of each quadrant code, index 0 unused.
const int kStepX[5] = {0, 1, -1, -1, 1};
const int kStepY[5] = {0, -1, -1, 1, 1};

// True when `cur` lies in quadrant `dir` seen towards `dst`.
bool inQuadrant(Location cur, Location dst, int dir) {
  switch (dir) {
    case 1:
      return cur.x <= dst.x && cur.y >= dst.y;
    case 2:
      return cur.x >= dst.x && cur.y >= dst.y;
    case 3:
      return cur.x >= dst.x && cur.y <= dst.y;
    case 4:
      return cur.x <= dst.x && cur.y <= dst.y;
    default:
      return true;
  }
}

}  // namespace

void trail(Location cur, Location dst, int dir, std::vector<Location>& visited,
           std::vector<Location>& path, std::vector<std::vector<Location>>& paths, bool isTall) {
  if (cur == dst) {
    path.push_back(cur);
    paths.push_back(path);
    path.pop_back();
    return;
  }
  for (const Location& v : visited) {
    if (v == cur) return;
  }
  if (!inQuadrant(cur, dst, dir)) return;
  path.push_back(cur);
  visited.push_back(cur);
  if (dir >= 1 && dir <= 4) {
    const Location xStep{cur.x + kStepX[dir], cur.y};
    const Location yStep{cur.x, cur.y + kStepY[dir]};
    if (isTall) {
      trail(xStep, dst, dir, visited, path, paths, isTall);
      trail(yStep, dst, dir, visited, path, paths, isTall);
    } else {
      trail(yStep, dst, dir, visited, path, paths, isTall);
      trail(xStep, dst, dir, visited, path, paths, isTall);
    }
  }
  path.pop_back();
  visited.pop_back();
}
