#include "chip/Chip.h"

#include <algorithm>
#include <deque>
#include <stdexcept>
#include <string>

Chip Chip::grid(int width, int height) {
  Chip chip;
  chip.width_ = std::max(width, 0);
  chip.height_ = std::max(height, 0);
  const std::size_t sites = static_cast<std::size_t>(chip.width_) * chip.height_;
  chip.device_.resize(sites);
  chip.links_.assign(sites, 0);
  for (int y = 0; y < chip.height_; ++y) {
    for (int x = 0; x < chip.width_; ++x) {
      const std::size_t i = chip.id({x, y});
      chip.device_[i] = static_cast<int>(i);
      if (x + 1 < chip.width_) chip.links_[i] |= kRight;
      if (y + 1 < chip.height_) chip.links_[i] |= kDown;
    }
  }
  chip.derive();
  return chip;
}

Chip::Chip(std::vector<ChipQubit> qubits, std::vector<std::pair<int, int>> noCouplers) {
  if (qubits.empty()) throw std::invalid_argument("the chip has no qubit");
  for (const ChipQubit& q : qubits) {
    if (q.index < 0) {
      throw std::invalid_argument("qubit index " + std::to_string(q.index) + " is negative");
    }
    if (q.site.x < 0 || q.site.y < 0 || q.site.x >= kMaxSide || q.site.y >= kMaxSide) {
      throw std::invalid_argument("qubit " + std::to_string(q.index) + " at (" +
                                  std::to_string(q.site.x) + ", " + std::to_string(q.site.y) +
                                  "): coordinates must lie in 0 .. " +
                                  std::to_string(kMaxSide - 1));
    }
    width_ = std::max(width_, q.site.x + 1);
    height_ = std::max(height_, q.site.y + 1);
  }
  device_.assign(static_cast<std::size_t>(width_) * height_, -1);
  std::vector<char> seen;
  for (const ChipQubit& q : qubits) {
    if (static_cast<std::size_t>(q.index) >= seen.size()) seen.resize(q.index + 1, 0);
    if (seen[q.index]) {
      throw std::invalid_argument("qubit index " + std::to_string(q.index) + " is given twice");
    }
    seen[q.index] = 1;
    int& d = device_[id(q.site)];
    if (d >= 0) {
      throw std::invalid_argument("site (" + std::to_string(q.site.x) + ", " +
                                  std::to_string(q.site.y) + ") holds qubits " + std::to_string(d) +
                                  " and " + std::to_string(q.index));
    }
    d = q.index;
  }
  links_.assign(device_.size(), 0);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (device_[id({x, y})] < 0) continue;
      if (x + 1 < width_ && device_[id({x + 1, y})] >= 0) links_[id({x, y})] |= kRight;
      if (y + 1 < height_ && device_[id({x, y + 1})] >= 0) links_[id({x, y})] |= kDown;
    }
  }
  for (const auto& pair : noCouplers) {
    const Location a = pair.first >= 0 ? siteOfIndex(qubits, pair.first) : Location{-1, -1};
    const Location b = pair.second >= 0 ? siteOfIndex(qubits, pair.second) : Location{-1, -1};
    const std::string name =
        "no-coupler " + std::to_string(pair.first) + " " + std::to_string(pair.second);
    if (a.x < 0 || b.x < 0) {
      throw std::invalid_argument(name + ": qubit " +
                                  std::to_string(a.x < 0 ? pair.first : pair.second) +
                                  " is not on the chip");
    }
    if (manhattan(a, b) != 1) {
      throw std::invalid_argument(name + ": the qubits are not neighbours");
    }
    const Location from = (a.y < b.y || a.x < b.x) ? a : b;
    const Location to = from == a ? b : a;
    links_[id(from)] &= static_cast<std::uint8_t>(to.x > from.x ? ~kRight : ~kDown);
  }
  derive();
  if (!full_ && liveCount_ > kMaxHoledQubits) {
    throw std::invalid_argument("a chip with missing qubits or couplers may have at most " +
                                std::to_string(kMaxHoledQubits) + " qubits");
  }
}

Location Chip::siteOfIndex(const std::vector<ChipQubit>& qubits, int index) {
  for (const ChipQubit& q : qubits) {
    if (q.index == index) return q.site;
  }
  return {-1, -1};
}

void Chip::derive() {
  const std::size_t sites = device_.size();
  liveCount_ = 0;
  registerSize_ = 0;
  full_ = true;
  neighbours_.assign(sites, {});
  live_.clear();
  rank_.assign(sites, -1);
  group_.assign(sites, -1);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const Location s{x, y};
      const std::size_t i = id(s);
      if (device_[i] < 0) {
        full_ = false;
        continue;
      }
      rank_[i] = liveCount_++;
      live_.push_back(s);
      registerSize_ = std::max(registerSize_, device_[i] + 1);
      if (x + 1 < width_ && !(links_[i] & kRight)) full_ = false;
      if (y + 1 < height_ && !(links_[i] & kDown)) full_ = false;
      // Left, right, up, down: the order in which placement visits a site's neighbours.
      const Location around[4] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
      for (Location n : around) {
        if (coupled(s, n)) neighbours_[i].push_back(n);
      }
    }
  }
  around_.assign(live_.size(), {-1, -1, -1, -1});
  for (std::size_t r = 0; r < live_.size(); ++r) {
    const Location s = live_[r];
    const Location by[4] = {{s.x - 1, s.y}, {s.x + 1, s.y}, {s.x, s.y - 1}, {s.x, s.y + 1}};
    for (int d = 0; d < 4; ++d) {
      if (coupled(s, by[d])) around_[r][d] = rank_[id(by[d])];
    }
  }
  // Groups by breadth-first search from each ungrouped live site, row by row.
  std::vector<int> sizes;
  std::deque<Location> queue;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (device_[id({x, y})] < 0 || group_[id({x, y})] >= 0) continue;
      const int g = static_cast<int>(sizes.size());
      sizes.push_back(0);
      group_[id({x, y})] = g;
      queue.push_back({x, y});
      while (!queue.empty()) {
        const Location s = queue.front();
        queue.pop_front();
        ++sizes[g];
        for (Location n : neighbours_[id(s)]) {
          if (group_[id(n)] < 0) {
            group_[id(n)] = g;
            queue.push_back(n);
          }
        }
      }
    }
  }
  largestGroup_ = 0;
  largestGroupId_ = -1;
  for (std::size_t g = 0; g < sizes.size(); ++g) {
    if (sizes[g] > largestGroup_) {
      largestGroup_ = sizes[g];
      largestGroupId_ = static_cast<int>(g);
    }
  }
  dist_.clear();
  if (full_ || liveCount_ > kMaxHoledQubits) return;
  // One breadth-first search per live site fills its row of the table.
  const std::size_t n = static_cast<std::size_t>(liveCount_);
  dist_.assign(n * n, kNoPath);
  for (std::size_t r = 0; r < n; ++r) {
    std::uint16_t* row = &dist_[r * n];
    row[r] = 0;
    queue.assign(1, live_[r]);
    while (!queue.empty()) {
      const Location s = queue.front();
      queue.pop_front();
      const std::uint16_t d = row[rank_[id(s)]];
      for (Location nb : neighbours_[id(s)]) {
        std::uint16_t& e = row[rank_[id(nb)]];
        if (e == kNoPath) {
          e = static_cast<std::uint16_t>(d + 1);
          queue.push_back(nb);
        }
      }
    }
  }
}

Location Chip::siteOf(int index) const {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (device_[id({x, y})] == index && index >= 0) return {x, y};
    }
  }
  return {-1, -1};
}

bool Chip::coupled(Location a, Location b) const {
  if (!live(a) || !live(b)) return false;
  if (b.y == a.y && b.x == a.x + 1) return (links_[id(a)] & kRight) != 0;
  if (b.y == a.y && b.x == a.x - 1) return (links_[id(b)] & kRight) != 0;
  if (b.x == a.x && b.y == a.y + 1) return (links_[id(a)] & kDown) != 0;
  if (b.x == a.x && b.y == a.y - 1) return (links_[id(b)] & kDown) != 0;
  return false;
}

std::vector<ChipQubit> Chip::qubits() const {
  std::vector<ChipQubit> out;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (device_[id({x, y})] >= 0) out.push_back({device_[id({x, y})], {x, y}});
    }
  }
  return out;
}

std::vector<std::pair<int, int>> Chip::noCouplers() const {
  std::vector<std::pair<int, int>> out;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const Location s{x, y};
      if (!live(s)) continue;
      if (live({x + 1, y}) && !(links_[id(s)] & kRight)) {
        out.emplace_back(device_[id(s)], device_[id({x + 1, y})]);
      }
      if (live({x, y + 1}) && !(links_[id(s)] & kDown)) {
        out.emplace_back(device_[id(s)], device_[id({x, y + 1})]);
      }
    }
  }
  return out;
}
