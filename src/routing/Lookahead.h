#pragma once

#include <cstddef>
#include <deque>
#include <istream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "model/InterActGraph.h"

// Qubit index pairs of the next two-qubit gates, earliest first.
typedef std::deque<std::pair<int, int>> GateBuffer;

// Drops up to `count` gates from the front of `buffer`, then reads lines of `in` until it has
// appended `count` more two-qubit gates or the text ends.
void fillFutureGateBuffer(std::istream& in, std::map<std::string, int>& nameToIdx,
                          GateBuffer& buffer, int count);

// The same operation over the tokenised circuit lines: `next` is the look-ahead reader's
// position, the index of the next line it would read.
void fillFutureGateBuffer(const std::vector<CircuitLine>& lines, std::size_t& next,
                          GateBuffer& buffer, int count);
