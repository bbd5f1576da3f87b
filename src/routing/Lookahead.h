#pragma once

#include <cstddef>
#include <deque>
#include <istream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "model/CircuitModel.h"

// Qubit index pairs of the next two-qubit gates, earliest first.
typedef std::deque<std::pair<int, int>> GateBuffer;

// Drops up to `count` gates from the front of `buffer`, then reads lines of `in` until it has
// appended `count` more two-qubit gates or the text ends.
// Operand names are looked up in `nameToIdx`; a name not in it counts as qubit 0.
void fillFutureGateBuffer(std::istream& in, const std::map<std::string, int>& nameToIdx,
                          GateBuffer& buffer, int count);

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

// The same operation over tokenised circuit lines: `next` is the look-ahead reader's position,
// the index of the next line it would read.
void fillFutureGateBuffer(LineView lines, std::size_t& next, GateBuffer& buffer, int count);
