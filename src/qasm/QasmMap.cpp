// One step from OpenQASM to a mapped OpenQASM program: import, gridswap's trials, the checker,
// export. Nothing is written here; the caller writes the texts of the result.
#include "qasm/QasmMap.h"

#include <sstream>

#include "check/CheckMapping.h"
#include "check/MappedCircuit.h"
#include "check/TextLines.h"
#include "check/TwoQubitDepth.h"
#include "driver/InterActGraph.h"
#include "driver/Progress.h"
#include "driver/TrialRunner.h"
#include "driver/Workers.h"
#include "routing/TrialWorkspace.h"
#include "search/EffortMap.h"

namespace {

// The name of the imported circuit in messages: the mapped circuit's name without ".mapped".
std::string importedName(const std::string& mappedName) {
  const std::size_t at = mappedName.rfind(".mapped");
  if (at == std::string::npos) return mappedName + ".in";
  return mappedName.substr(0, at) + mappedName.substr(at + 7);
}

}  // namespace

MapResult mapQasm(const std::string& source, const MapNames& names, const MapOptions& options) {
  MapResult result;
  ImportOptions importOptions;
  importOptions.ignoreMeasure = options.ignoreMeasure;
  result.imported = importQasm(source, names.source, importOptions);
  result.circuit = circText(result.imported);
  result.qubits = static_cast<int>(result.imported.qubits.size());
  result.window = options.window;
  result.chip = options.chip;

  const long long sites = static_cast<long long>(options.width) * options.height;
  const bool chosen = options.width > 0 && options.height > 0;
  if (chosen && result.qubits > sites) {
    throw MapError(names.source + ": " + countOf(result.qubits, "qubit") + " do not fit on a " +
                   std::to_string(options.width) + " x " + std::to_string(options.height) +
                   " grid of " + countOf(sites, "site"));
  }
  // A 1 x 1 request is enlarged to the smallest grid for the qubits, as gridswap's default.
  std::istringstream in(result.circuit);
  const CircuitModel model =
      options.chip ? CircuitModel(in, importedName(names.mapped), options.chip, -1)
                   : CircuitModel(in, importedName(names.mapped), chosen ? options.width : 1,
                                  chosen ? options.height : 1, -1);
  if (!model.readError.empty()) throw MapError(names.source + ": " + model.readError);
  result.width = model.gridWidth;
  result.height = model.gridHeight;
  result.twoQubitGates = model.gateNum;

  // gridswap's trials, on as many workers as asked; the results do not depend on their number.
  const int workers = options.threads > 0 ? options.threads : availableCpus();
  if (options.effort != Effort::kDefault) {
    // The effort search over placements and windows, on a graph of the same circuit.
    std::istringstream again(result.circuit);
    InterActGraph graph =
        options.chip ? InterActGraph(again, importedName(names.mapped), options.chip, -1)
                     : InterActGraph(again, importedName(names.mapped), chosen ? options.width : 1,
                                     chosen ? options.height : 1, -1);
    if (graph.qubitNum <= 0) throw MapError("Nothing to map: the circuit declares no qubits");
    const SearchResult found =
        searchMapping(graph, planFor(options.effort, options.window), workers, options.cancel);
    renderMapping(graph, found, result.mapped, result.layout);
    result.swaps = found.costs.first;
    result.window = found.window;
    result.weighting = found.weighting;
    result.router = found.router;
    result.searched = true;
    verifyAndExport(result, names);
    return result;
  }
  Progress quiet(nullptr, model.qubitNum);
  result.trials =
      runAllTrials(model, options.window, workers, fastSteps(), quiet, 0.0, options.cancel);
  for (const TrialResult& trial : result.trials) {
    if (trial.status == TrialStatus::kOutOfMemory) throw MapError("Out of memory");
    if (trial.status != TrialStatus::kDone) {
      throw MapError("Internal error: a placement trial of " + names.source + " failed");
    }
  }
  result.bestSeed = bestTrial(result.trials);
  if (result.bestSeed < 0) throw MapError("Internal error: no trial of " + names.source + " ran");
  result.swaps = result.trials[static_cast<std::size_t>(result.bestSeed)].costU;

  // The files are the kept trial's: place and route that seed once more, writing, as gridswap.
  TrialWorkspace ws(model);
  fastSteps().place(model, ws, result.bestSeed, nullptr);
  std::ostringstream mapped;
  RouteOutput out;
  out.circuit = &mapped;
  out.layoutText = &result.layout;
  fastSteps().route(model, ws, options.window, 1, out);
  result.mapped = mapped.str();
  verifyAndExport(result, names);
  return result;
}

void verifyAndExport(MapResult& result, const MapNames& names) {
  const std::string layoutName = defaultLayoutPath(names.mapped);
  const CheckResult verdict =
      checkMappingText(importedName(names.mapped), result.circuit, names.mapped, result.mapped,
                       layoutName, result.layout, result.chip.get(), names.chip);
  if (!verdict.ok()) {
    throw MapError("Internal error: the mapping of " + names.source +
                   " failed verification: " + verdict.message);
  }
  result.verification = verdict.message;
  result.depth = twoQubitDepth(result.mapped);

  MappedCircuit read;
  const CheckResult readBack = readMappedCircuitLines(names.mapped, textLines(result.mapped),
                                                      layoutName, textLines(result.layout), &read);
  if (!readBack.ok()) throw MapError("Internal error: " + readBack.message);
  const std::string title =
      names.source + " mapped by gridswap-qasm (" +
      (result.router == Router::kWindowed
           ? "window " + windowName(result.window, result.weighting)
           : routingName(result.router, 0, result.weighting) + " router") +
      (result.searched ? std::string(", effort search")
                       : ", placement seed " + std::to_string(result.bestSeed)) +
      ")";
  result.qasm = exportQasm(read, &result.exported, title, result.chip.get(), names.chip);
}
