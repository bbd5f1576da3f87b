#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "GridPaths.h"

// The windowed router's record of the SWAPs it applied, kept as their net movement: a new SWAP
// cancels the latest recorded SWAP of the same two sites when nothing recorded after that one,
// nor anything examined earlier for the same gate, touched either site. It gives the same
// history as walking the whole record backwards with a matrix of touched sites, but looks only
// at the latest entries of the SWAP's own sites.
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
  struct Entry {
    Swap swap;
    std::int64_t id;  // position in the order of recording
    bool alive;       // false once cancelled
  };
  int siteOf(Location l) const { return l.y * width_ + l.x; }
  // Id of the latest remaining SWAP on `site`, or -1.
  std::int64_t latest(int site) const;
  // Marks the entry `id` cancelled and drops it from its sites.
  void cancel(std::int64_t id, int p, int q);
  // Drops cancelled entries once they outnumber the live ones.
  void compact();

  int width_;
  std::vector<Entry> entries_;                     // by increasing id
  std::vector<std::vector<std::int64_t>> onSite_;  // per site: ids of its remaining SWAPs
  std::vector<std::uint32_t> touched_;             // per site: stamp of the gate that touched it
  std::uint32_t stamp_ = 0;                        // the current gate's stamp
  std::int64_t nextId_ = 0;
  std::size_t alive_ = 0;
};

// Records the routing SWAP s in the history, or removes instead the latest earlier SWAP of the
// same two sites when no SWAP walked over since touches either of them, so that the history's
// composition stays the net movement of the qubits. `touched` (height x width) is shared by
// all SWAPs of one gate.
void recordSwap(const Swap& s, SwapList& swapHistory, std::vector<std::vector<bool>>& touched);
