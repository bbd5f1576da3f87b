#include "qasm/QasmTool.h"

#include <sys/stat.h>

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "check/MappedCircuit.h"
#include "driver/Files.h"
#include "qasm/QasmError.h"
#include "qasm/QasmExport.h"
#include "qasm/QasmImport.h"

namespace {

const char* const kUsage =
    "usage: gridswap-qasm import [--ignore-measure] <in.qasm> <out.circ> | gridswap-qasm export "
    "<mapped.circ> <layout> <out.qasm>";

// Reads a whole regular file; false when it cannot be read.
bool readText(const std::string& path, std::string& text) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return true;
}

int fail(const std::string& message) {
  std::cout << message << std::endl;
  return 1;
}

int report(const QasmError& e, const std::string& file) {
  const std::string where = e.file.empty() ? file : e.file;
  if (e.line <= 0) return fail(where + ": " + e.what());
  return fail(where + ":" + std::to_string(e.line) + ": " + e.what());
}

int runImport(const std::vector<std::string>& args) {
  ImportOptions options;
  std::vector<std::string> files;
  for (const std::string& a : args) {
    if (a == "--ignore-measure") {
      options.ignoreMeasure = true;
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) return fail(kUsage);
  const std::string& in = files[0];
  const std::string& out = files[1];
  if (sameFile(in, out)) return fail("Output file would overwrite the input file: " + out);
  std::string source;
  if (!readText(in, source)) return fail("Cannot open file: " + in);
  CircCircuit circuit;
  try {
    circuit = importQasm(source, in, options);
  } catch (const QasmError& e) {
    return report(e, in);
  }
  if (!writeWholeFile(out, circText(circuit))) return fail("Cannot write file: " + out);
  std::cout << out << ": " << circuit.qubits.size() << " qubits, " << circuit.twoQubitGates
            << " two-qubit gates, " << circuit.oneQubitGates << " one-qubit gates" << std::endl;
  return 0;
}

int runExport(const std::vector<std::string>& args) {
  if (args.size() != 3) return fail(kUsage);
  const std::string& mappedPath = args[0];
  const std::string& layoutPath = args[1];
  const std::string& out = args[2];
  for (const std::string& in : {mappedPath, layoutPath}) {
    if (sameFile(in, out)) return fail("Output file would overwrite the input file: " + out);
  }
  MappedCircuit mapped;
  const CheckResult read = readMappedCircuit(mappedPath, layoutPath, &mapped);
  if (read.status == 2) return fail(read.message);
  if (!read.ok()) {
    // The reader's faults read "FAIL FILE:LINE: what"; reported here like every other error.
    const std::string prefix = "FAIL ";
    const bool prefixed = read.message.compare(0, prefix.size(), prefix) == 0;
    return fail(prefixed ? read.message.substr(prefix.size()) : read.message);
  }
  ExportCounts counts;
  std::string text;
  try {
    text = exportQasm(mapped, &counts);
  } catch (const QasmError& e) {
    return report(e, mappedPath);
  }
  if (!writeWholeFile(out, text)) return fail("Cannot write file: " + out);
  std::cout << out << ": grid " << mapped.width << " x " << mapped.height << ", " << counts.twoQubit
            << " two-qubit gates, " << counts.swaps << " inserted swaps, " << counts.oneQubit
            << " one-qubit gates" << std::endl;
  return 0;
}

}  // namespace

int runQasmTool(int argc, char** argv) {
  if (argc < 2) return fail(kUsage);
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "import") return runImport(args);
  if (command == "export") return runExport(args);
  return fail(kUsage);
}
