#pragma once

#include <cstddef>
#include <deque>
#include <utility>
#include <vector>

#include "model/CircuitModel.h"

// Qubit index pairs of the next two-qubit gates, earliest first.
typedef std::deque<std::pair<int, int>> GateBuffer;

// How the look-ahead cost counts the buffered gates: kEven counts each once, as gridswap's
// router does; kGraded counts the gate at position k of a buffer of n gates (n - k)^2 times, so
// that the nearest gates decide and a wide window still sees the far ones.
enum class Weighting { kEven, kGraded };

// How many times the gate at position k of a buffer of n gates counts under `weighting`.
inline int gateWeight(Weighting weighting, std::size_t k, std::size_t n) {
  const int left = static_cast<int>(n - k);
  return weighting == Weighting::kEven ? 1 : left * left;
}

// A sequence of a model's circuit lines, read in place in their order or backwards: the
// router walks any such sequence without a copy of the lines or of the text.
class LineView {
 public:
  // All of `lines`, in order or backwards.
  LineView(const std::vector<CircuitLine>& lines, bool backwards = false)
      : first_(lines.data()), size_(lines.size()), backwards_(backwards) {}
  // `count` lines from `first` on, in order or backwards.
  LineView(const CircuitLine* first, std::size_t count, bool backwards)
      : first_(first), size_(count), backwards_(backwards) {}
  std::size_t size() const { return size_; }
  // The i-th line of the sequence.
  const CircuitLine& operator[](std::size_t i) const {
    return backwards_ ? first_[size_ - 1 - i] : first_[i];
  }

 private:
  const CircuitLine* first_;
  std::size_t size_;
  bool backwards_;
};

// Drops up to `count` gates from the front of `buffer`, then takes lines of `lines` from
// position `next` on (the look-ahead reader's position, the index of the next line it would
// read) until it has appended `count` more two-qubit gates or the lines end.
void fillFutureGateBuffer(LineView lines, std::size_t& next, GateBuffer& buffer, int count);
