// The reference SWAP history: the whole record walked back for every new SWAP.
#include "reference/ReferenceVersions.h"

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
