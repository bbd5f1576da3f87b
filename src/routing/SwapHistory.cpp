#include "routing/SwapHistory.h"

#include <algorithm>

SwapHistory::SwapHistory(int width, int height)
    : width_(width),
      top_(static_cast<std::size_t>(width) * height, kNone),
      touched_(static_cast<std::size_t>(width) * height, 0) {}

void SwapHistory::remove(std::uint32_t id) {
  Entry& e = entries_[id];
  top_[e.first] = e.belowFirst;
  top_[e.second] = e.belowSecond;
  e.first = kNone;
  --alive_;
}

void SwapHistory::recordGate(const SwapList& swaps) {
  if (++stamp_ == 0) {
    std::fill(touched_.begin(), touched_.end(), 0);
    stamp_ = 1;
  }
  for (std::size_t k = 0; k < swaps.size(); ++k) {
    const std::uint32_t p = siteOf(swaps[k].first);
    const std::uint32_t q = siteOf(swaps[k].second);
    // Walking back, the first entry on p or q decides: it cancels when it is this same SWAP
    // and neither site was touched before. Every entry walked over touches its sites.
    const std::int64_t top = latest(p);
    const bool cancels =
        top >= 0 && top == latest(q) && touched_[p] != stamp_ && touched_[q] != stamp_;
    // The walk stops at the cancelled entry or passes them all; a site is touched when an
    // entry at or after the stop holds it. Only the sites that later SWAPs test matter.
    const std::int64_t stop = cancels ? top : 0;
    for (std::size_t l = k; l < swaps.size(); ++l) {
      for (Location site : {swaps[l].first, swaps[l].second}) {
        const std::uint32_t s = siteOf(site);
        if (latest(s) >= stop) touched_[s] = stamp_;
      }
    }
    if (cancels) {
      remove(static_cast<std::uint32_t>(top));
    } else {
      const std::uint32_t id = static_cast<std::uint32_t>(entries_.size());
      entries_.push_back({p, q, top_[p], top_[q]});
      top_[p] = id;
      top_[q] = id;
      ++alive_;
    }
  }
}

SwapList SwapHistory::contents() const {
  SwapList list;
  for (const Entry& e : entries_) {
    if (e.first != kNone) list.push_back({locationOf(e.first), locationOf(e.second)});
  }
  return list;
}

Swap SwapHistory::popLatest() {
  while (entries_.back().first == kNone)
    entries_.pop_back();
  const Entry e = entries_.back();
  remove(static_cast<std::uint32_t>(entries_.size() - 1));
  entries_.pop_back();
  return {locationOf(e.first), locationOf(e.second)};
}
