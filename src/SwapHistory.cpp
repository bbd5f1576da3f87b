#include "SwapHistory.h"

#include <algorithm>

SwapHistory::SwapHistory(int width, int height)
    : width_(width),
      onSite_(static_cast<std::size_t>(width) * height),
      touched_(static_cast<std::size_t>(width) * height, 0) {}

std::int64_t SwapHistory::latest(int site) const {
  const auto& ids = onSite_[site];
  return ids.empty() ? -1 : ids.back();
}

void SwapHistory::cancel(std::int64_t id, int p, int q) {
  onSite_[p].pop_back();
  onSite_[q].pop_back();
  auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                             [](const Entry& e, std::int64_t v) { return e.id < v; });
  it->alive = false;
  --alive_;
  compact();
}

void SwapHistory::compact() {
  if (entries_.size() < 64 || entries_.size() < 2 * alive_) return;
  entries_.erase(
      std::remove_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.alive; }),
      entries_.end());
}

void SwapHistory::recordGate(const SwapList& swaps) {
  if (++stamp_ == 0) {
    std::fill(touched_.begin(), touched_.end(), 0);
    stamp_ = 1;
  }
  for (std::size_t k = 0; k < swaps.size(); ++k) {
    const int p = siteOf(swaps[k].first);
    const int q = siteOf(swaps[k].second);
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
        const int s = siteOf(site);
        if (latest(s) >= stop) touched_[s] = stamp_;
      }
    }
    if (cancels) {
      cancel(top, p, q);
    } else {
      entries_.push_back({swaps[k], nextId_, true});
      onSite_[p].push_back(nextId_);
      onSite_[q].push_back(nextId_);
      ++nextId_;
      ++alive_;
    }
  }
}

SwapList SwapHistory::contents() const {
  SwapList list;
  for (const Entry& e : entries_) {
    if (e.alive) list.push_back(e.swap);
  }
  return list;
}

Swap SwapHistory::popLatest() {
  while (!entries_.back().alive)
    entries_.pop_back();
  const Entry e = entries_.back();
  entries_.pop_back();
  onSite_[siteOf(e.swap.first)].pop_back();
  onSite_[siteOf(e.swap.second)].pop_back();
  --alive_;
  return e.swap;
}

void recordSwap(const Swap& s, SwapList& swapHistory, std::vector<std::vector<bool>>& touched) {
  for (std::size_t k = swapHistory.size(); k-- > 0;) {
    const Location ea = swapHistory[k].first;
    const Location eb = swapHistory[k].second;
    if (touched[ea.y][ea.x]) {
      touched[eb.y][eb.x] = true;
      continue;
    }
    const bool ebTouched = touched[eb.y][eb.x];
    touched[ea.y][ea.x] = true;
    touched[eb.y][eb.x] = true;
    if (ebTouched) continue;
    if ((ea == s.first && eb == s.second) || (ea == s.second && eb == s.first)) {
      swapHistory.erase(swapHistory.begin() + static_cast<std::ptrdiff_t>(k));
      return;
    }
  }
  swapHistory.push_back(s);
}
