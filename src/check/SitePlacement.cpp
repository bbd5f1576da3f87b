#include "check/SitePlacement.h"

#include <utility>

SitePlacement::SitePlacement(int count) : qubitOn(count), siteOf(count) {
  for (int i = 0; i < count; ++i)
    qubitOn[i] = siteOf[i] = i;
}

void SitePlacement::swapSites(int a, int b) {
  std::swap(qubitOn[a], qubitOn[b]);
  siteOf[qubitOn[a]] = a;
  siteOf[qubitOn[b]] = b;
}

bool SitePlacement::isRestored() const {
  for (std::size_t i = 0; i < qubitOn.size(); ++i) {
    if (qubitOn[i] != static_cast<int>(i)) return false;
  }
  return true;
}
