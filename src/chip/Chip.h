#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "chip/Location.h"

// Occupancy value of a site that no qubit may take: a site off the chip, or one outside the
// chip's largest group of joined qubits. Empty sites hold -1 and occupied ones a qubit index.
constexpr int kNoSite = -2;

// One usable physical qubit of a chip: its device index and its site.
struct ChipQubit {
  int index;
  Location site;
};

// A chip: the sites of a width x height grid that hold a usable qubit, the usable couplers
// between horizontally or vertically neighbouring qubits, each site's device index, and the
// shortest distances between live sites over usable couplers. A full rectangle is the chip with
// every site and coupler; its distances are the Manhattan distances and need no table. A chip
// is built once and then only read, so that every worker of a run can share it.
class Chip {
 public:
  // Distance between two sites that no chain of usable couplers joins.
  static constexpr int kUnreachable = 1 << 29;
  // The table's entry for two sites that no chain of usable couplers joins.
  static constexpr std::uint16_t kNoPath = 0xFFFF;

  // The largest side of a chip's grid, and the most qubits a chip with holes may have (its
  // distance table grows with their square).
  static constexpr int kMaxSide = 256;
  static constexpr int kMaxHoledQubits = 4096;

  // The full rectangle: every site a qubit, numbered row by row, every coupler usable.
  static Chip grid(int width, int height);

  // The chip of the given qubits on the smallest grid holding their sites, without the couplers
  // in `noCouplers` (pairs of device indices). Throws std::invalid_argument with a one-line
  // message for an empty list, a repeated index or site, a negative index or coordinate, or a
  // no-coupler pair that names a missing qubit or two qubits that are not neighbours, a
  // coordinate of kMaxSide or more, or a chip with holes of more than kMaxHoledQubits qubits.
  Chip(std::vector<ChipQubit> qubits, std::vector<std::pair<int, int>> noCouplers);

  Chip() = default;

  int width() const { return width_; }
  int height() const { return height_; }
  // True when every site holds a qubit and every coupler is usable.
  bool full() const { return full_; }
  // Number of live sites.
  int liveCount() const { return liveCount_; }
  // Size of the largest group of live sites joined by usable couplers.
  int largestGroup() const { return largestGroup_; }
  // True when the site lies on the grid and holds a qubit.
  bool live(Location s) const { return inside(s) && device_[id(s)] >= 0; }
  // Device index of the qubit on the site, or -1 for a site off the chip.
  int deviceIndex(Location s) const { return inside(s) ? device_[id(s)] : -1; }
  // Largest device index plus one: the size of a register that addresses every qubit.
  int registerSize() const { return registerSize_; }
  // Site of the qubit with the given device index, or (-1, -1).
  Location siteOf(int index) const;
  // True when the two sites are live neighbours joined by a usable coupler.
  bool coupled(Location a, Location b) const;
  // True when the usable coupler leaves `s` to the right (x + 1) or downwards (y + 1).
  bool couplerRight(Location s) const { return live(s) && (links_[id(s)] & kRight) != 0; }
  bool couplerDown(Location s) const { return live(s) && (links_[id(s)] & kDown) != 0; }
  // Shortest number of coupler steps between two live sites; kUnreachable when none joins
  // them. On a full chip this is the Manhattan distance; either site off the chip gives the
  // Manhattan distance too, which only weightless anchors (the grid's centre) ask for.
  int distance(Location a, Location b) const {
    if (full_ || !inside(a) || !inside(b)) return manhattan(a, b);
    const int ra = rank_[id(a)];
    const int rb = rank_[id(b)];
    if ((ra | rb) < 0) return manhattan(a, b);
    const std::uint16_t d = dist_[static_cast<std::size_t>(ra) * liveCount_ + rb];
    return d == kNoPath ? kUnreachable : d;
  }
  // Position of a live site among the live sites, row by row, or -1 for any other site.
  int rankOf(Location s) const { return inside(s) ? rank_[id(s)] : -1; }
  // The distances from the live site of rank r to every live site, by rank (kNoPath for none);
  // only on a chip with holes, which keeps a table.
  const std::uint16_t* distancesFrom(int r) const {
    return &dist_[static_cast<std::size_t>(r) * liveCount_];
  }
  // The sites coupled to `s`, in the order left, right, up, down.
  const std::vector<Location>& neighbours(Location s) const { return neighbours_[id(s)]; }
  // The live site of rank r.
  Location siteOfRank(int r) const { return live_[r]; }
  // The ranks of the sites coupled to the live site of rank r, by direction (kStepLeft, kStepRight,
  // kStepUp, kStepDown), -1 where no usable coupler leads: the route searches walk ranks, not
  // sites.
  const std::array<int, 4>& aroundRank(int r) const { return around_[r]; }
  // The directions of aroundRank; d ^ 1 is the opposite of d.
  enum Direction { kStepLeft = 0, kStepRight = 1, kStepUp = 2, kStepDown = 3 };
  // Group number of a live site (sites joined by usable couplers share one), or -1.
  int group(Location s) const { return live(s) ? group_[id(s)] : -1; }
  // The group of the largest size; of equal sizes the one met first row by row.
  int largestGroupId() const { return largestGroupId_; }
  // True when a mapping may put a qubit on the site: live and in the largest group, so that
  // every two qubits placed are joined by usable couplers.
  bool usable(Location s) const { return live(s) && group_[id(s)] == largestGroupId_; }
  // Every qubit, in the order of the grid's sites row by row.
  std::vector<ChipQubit> qubits() const;
  // The unusable couplers between live neighbours, each as (left or upper, right or lower)
  // device index, row by row.
  std::vector<std::pair<int, int>> noCouplers() const;

 private:
  enum : std::uint8_t { kRight = 1, kDown = 2 };
  static int manhattan(Location a, Location b) {
    return (a.x > b.x ? a.x - b.x : b.x - a.x) + (a.y > b.y ? a.y - b.y : b.y - a.y);
  }
  bool inside(Location s) const { return s.x >= 0 && s.y >= 0 && s.x < width_ && s.y < height_; }
  std::size_t id(Location s) const { return static_cast<std::size_t>(s.y) * width_ + s.x; }
  // The site given for `index` in `qubits`, or (-1, -1).
  static Location siteOfIndex(const std::vector<ChipQubit>& qubits, int index);
  // Derives neighbours, groups and the distance table from device_ and links_.
  void derive();

  int width_ = 0;
  int height_ = 0;
  bool full_ = true;
  int liveCount_ = 0;
  int largestGroup_ = 0;
  int largestGroupId_ = -1;
  int registerSize_ = 0;
  std::vector<int> device_;                        // per site: device index, -1 off the chip
  std::vector<std::uint8_t> links_;                // per site: usable couplers right and down
  std::vector<std::vector<Location>> neighbours_;  // per site: coupled sites
  std::vector<Location> live_;                     // per rank: its site
  std::vector<std::array<int, 4>> around_;         // per rank: coupled ranks by direction
  std::vector<int> group_;                         // per site: group number, -1 off the chip
  std::vector<int> rank_;                          // per site: position among live sites
  std::vector<std::uint16_t> dist_;                // live x live distances (chips with holes)
};
