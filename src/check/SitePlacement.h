#pragma once

#include <vector>

// Which qubit stands on which site while a mapped circuit is walked line by line. Sites and
// qubits share their numbers: site i is the one that qubit i starts on.
struct SitePlacement {
  std::vector<int> qubitOn;  // site -> the qubit on it now
  std::vector<int> siteOf;   // qubit -> the site it is on now

  // The starting placement of `count` qubits: every qubit on its own site.
  explicit SitePlacement(int count);

  // Applies an inserted SWAP: the two sites exchange their qubits.
  void swapSites(int a, int b);

  // True while every qubit is back on the site it started on.
  bool isRestored() const;
};
