#pragma once

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>

#include <vector>

#include "chip/Chip.h"
#include "driver/Trials.h"
#include "qasm/QasmExport.h"
#include "qasm/QasmImport.h"
#include "search/EffortSearch.h"

// How `map` maps a program.
struct MapOptions {
  int width = 0;  // the grid; 0 x 0 for the smallest grid gridswap picks for the qubits
  int height = 0;
  int window = 3;              // the router's look-ahead window
  bool ignoreMeasure = false;  // drop measure statements unchecked, as import does
  int threads = 0;             // worker threads for the trials; 0 for every CPU the process may use
  Effort effort = Effort::kDefault;  // how hard to search; the default is gridswap's trials
  // The chip to map onto instead of a grid; null for the grid above.
  std::shared_ptr<const Chip> chip;
  const std::atomic<bool>* cancel = nullptr;  // when set, the run stops and throws Cancelled
};

// Everything one `map` produced: the counts of its summary, every trial's costs and the seed
// kept, and the texts of each file it can write.
struct MapResult {
  int qubits = 0;  // logical qubits of the program
  int width = 0;   // the grid used
  int height = 0;
  int window = 3;
  Weighting weighting = Weighting::kEven;  // how the kept window counted its gates
  Router router = Router::kWindowed;       // the router of the kept routing
  long long twoQubitGates = 0;
  int swaps = 0;                    // SWAPs inserted by the kept trial (its costU)
  int depth = 0;                    // two-qubit depth of the mapped circuit, SWAPs included
  std::vector<TrialResult> trials;  // every seed's costs, in seed order
  int bestSeed = -1;                // the seed kept: the first with the fewest SWAPs
  bool searched = false;            // found by the effort search instead of gridswap's trials
  CircCircuit imported;             // the import, with its counts
  std::string circuit;              // the imported circuit in gridswap's format
  std::string mapped;               // gridswap's mapped circuit of the kept seed
  std::string layout;               // its layout file (the placement at the end)
  std::string qasm;                 // the exported OpenQASM program
  ExportCounts exported;            // what the export wrote
  std::string verification;         // the checker's "OK: ..." line
  // The chip mapped onto; null for the full grid of width x height.
  std::shared_ptr<const Chip> chip;
};

// A program that cannot be mapped, or a mapping that failed its verification: the whole line
// to report.
class MapError : public std::runtime_error {
 public:
  explicit MapError(const std::string& line) : std::runtime_error(line) {}
};

// The names under which the in-memory files appear in messages and in the exported header:
// the mapped circuit is `mappedName`, its layout `mappedName`.layout, the imported circuit
// `mappedName` without ".mapped" (or with ".in" when it has none).
struct MapNames {
  std::string source;  // the OpenQASM file, as given
  std::string mapped;  // gridswap's mapped circuit
  std::string chip;    // the chip file of MapResult::chip, as the verification line names it
};

// Maps an OpenQASM 2.0 program in one step: imports it, places and routes it with gridswap's
// trials (every seed, the first with the fewest routing SWAPs kept, re-routed to write its
// files), verifies the mapping with the checker and exports it. Throws QasmError where the
// import or the export stops, and MapError when the grid is too small for the program, the
// circuit is refused, or the verification fails (an internal error). Throws Cancelled once
// options.cancel is set.
MapResult mapQasm(const std::string& source, const MapNames& names, const MapOptions& options);

// The last steps of mapQasm: checks result.mapped and result.layout against result.circuit as
// gridswap-check does, on result.chip when it is set, then exports them into result.qasm (on the
// chip's device indices). Throws MapError when the check fails.
void verifyAndExport(MapResult& result, const MapNames& names);
