#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "routing/GridPaths.h"

// The windowed router's record of the SWAPs it applied, kept as their net movement: a new SWAP
// cancels the latest recorded SWAP of the same two sites when nothing recorded after that one,
// nor anything examined earlier for the same gate, touched either site. It gives the same
// history as walking the whole record backwards with a matrix of touched sites, but looks only
// at the latest SWAP of each of the new SWAP's sites: every site keeps its remaining SWAPs as a
// stack linked through the entries.
class SwapHistory {
 public:
  SwapHistory(int width, int height);
  // Records the SWAPs of one gate, in order.
  void recordGate(const SwapList& swaps);
  // True when no SWAP remains.
  bool empty() const { return alive_ == 0; }
  // Number of remaining SWAPs.
  std::size_t size() const { return alive_; }
  // Removes and returns the latest remaining SWAP.
  Swap popLatest();
  // The remaining SWAPs, earliest first.
  SwapList contents() const;

 private:
  static constexpr std::uint32_t kNone = 0xffffffffu;  // no entry; also marks a cancelled one
  struct Entry {
    std::uint32_t first;        // site index of the SWAP's first site, or kNone once cancelled
    std::uint32_t second;       // site index of its second site
    std::uint32_t belowFirst;   // the entry under it on its first site's stack
    std::uint32_t belowSecond;  // the entry under it on its second site's stack
  };
  std::uint32_t siteOf(Location l) const { return l.y * width_ + l.x; }
  Location locationOf(std::uint32_t site) const {
    return {static_cast<int>(site % width_), static_cast<int>(site / width_)};
  }
  // Id of the latest remaining SWAP on `site` as an int64, or -1.
  std::int64_t latest(std::uint32_t site) const {
    return top_[site] == kNone ? -1 : static_cast<std::int64_t>(top_[site]);
  }
  // Takes entry `id`, the top of both its sites' stacks, off them.
  void remove(std::uint32_t id);

  int width_;
  std::deque<Entry> entries_;  // every SWAP recorded; its position is its id (no spare capacity)
  std::vector<std::uint32_t> top_;      // per site: its latest remaining entry, or kNone
  std::vector<std::uint32_t> touched_;  // per site: stamp of the gate that touched it
  std::uint32_t stamp_ = 0;             // the current gate's stamp
  std::size_t alive_ = 0;               // remaining entries
};
