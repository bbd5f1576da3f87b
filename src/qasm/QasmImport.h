#pragma once

#include <string>

#include "qasm/CircWriter.h"

struct ImportOptions {
  // Drops measure statements without checking their operands (some generated sources measure
  // registers they never declare).
  bool ignoreMeasure = false;
  // The most lines the circuit may have: nested gate definitions can grow it without bound.
  long long maxLines = 5000000;
};

// Converts an OpenQASM 2.0 source into gridswap's circuit format. `sourceName` goes into the
// header comment. Throws QasmError at the first statement that cannot be converted faithfully.
CircCircuit importQasm(const std::string& source, const std::string& sourceName,
                       const ImportOptions& options);
