// One step from OpenQASM to a mapped OpenQASM program: import, gridswap's trials, the checker,
// export. Nothing is written here; the caller writes the texts of the result.
#include "qasm/QasmMap.h"

#include <sstream>

#include "check/CheckMapping.h"
#include "check/MappedCircuit.h"
#include "check/TextLines.h"

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

  const long long sites = static_cast<long long>(options.width) * options.height;
  const bool chosen = options.width > 0 && options.height > 0;
  if (chosen && result.qubits > sites) {
    throw MapError(names.source + ": " + countOf(result.qubits, "qubit") + " do not fit on a " +
                   std::to_string(options.width) + " x " + std::to_string(options.height) +
                   " grid of " + countOf(sites, "site"));
  }
  // A 1 x 1 request is enlarged to the smallest grid for the qubits, as gridswap's default.
  std::istringstream in(result.circuit);
  InterActGraph graph(in, importedName(names.mapped), chosen ? options.width : 1,
                      chosen ? options.height : 1, -1);
  if (!graph.readError.empty()) throw MapError(names.source + ": " + graph.readError);
  result.width = graph.workGrid.width;
  result.height = graph.workGrid.height;
  result.twoQubitGates = graph.gateNum;

  result.trials = runTrials(graph, options.window, options.threads);
  if (result.trials.placementFailed || result.trials.bestSeed < 0) {
    throw MapError("Internal error: no placement of " + names.source + " could be made");
  }
  std::ostringstream mapped;
  RouteOutput out;
  out.circuit = &mapped;
  out.layoutText = &result.layout;
  result.swaps = routeSeed(graph, result.trials.bestSeed, options.window, out).first;
  result.mapped = mapped.str();
  verifyAndExport(result, names);
  return result;
}

void verifyAndExport(MapResult& result, const MapNames& names) {
  const std::string layoutName = defaultLayoutPath(names.mapped);
  const CheckResult verdict =
      checkMappingText(importedName(names.mapped), result.circuit, names.mapped, result.mapped,
                       layoutName, result.layout);
  if (!verdict.ok()) {
    throw MapError("Internal error: the mapping of " + names.source +
                   " failed verification: " + verdict.message);
  }
  result.verification = verdict.message;

  MappedCircuit read;
  const CheckResult readBack = readMappedCircuitLines(names.mapped, textLines(result.mapped),
                                                      layoutName, textLines(result.layout), &read);
  if (!readBack.ok()) throw MapError("Internal error: " + readBack.message);
  const std::string title = names.source + " mapped by gridswap-qasm (window " +
                            std::to_string(result.window) + ", placement seed " +
                            std::to_string(result.trials.bestSeed) + ")";
  result.qasm = exportQasm(read, &result.exported, title);
}
