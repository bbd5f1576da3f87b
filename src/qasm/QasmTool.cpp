#include "qasm/QasmTool.h"

#include <sys/stat.h>
#include <time.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "check/ChipFit.h"
#include "check/MappedCircuit.h"
#include "chip/ChipReader.h"
#include "draw/DrawTool.h"
#include "driver/AtomicFiles.h"
#include "driver/CommandLine.h"
#include "driver/InterActGraph.h"
#include "driver/Workers.h"
#include "qasm/QasmError.h"
#include "qasm/QasmExport.h"
#include "qasm/QasmImport.h"
#include "qasm/QasmMap.h"
#include "util/Files.h"

namespace {

const char kToolUsage[] = "gridswap-qasm map|import|export [options] FILE...";
const char kMapUsage[] = "gridswap-qasm map [options] IN.qasm OUT.qasm";
const char kImportUsage[] = "gridswap-qasm import [--ignore-measure] IN.qasm OUT.circ";
const char kExportUsage[] = "gridswap-qasm export [--chip FILE] MAPPED.circ [LAYOUT] OUT.qasm";

const char kToolHelp[] =
    "Usage: gridswap-qasm map|import|export [options] FILE...\n"
    "\n"
    "  gridswap-qasm map [options] IN.qasm OUT.qasm\n"
    "      maps an OpenQASM 2.0 program onto a nearest-neighbour grid in one verified step\n"
    "  gridswap-qasm import [--ignore-measure] IN.qasm OUT.circ\n"
    "      converts an OpenQASM 2.0 program into gridswap's circuit format\n"
    "  gridswap-qasm export [--chip FILE] MAPPED.circ [LAYOUT] OUT.qasm\n"
    "      writes a mapped circuit and its layout as OpenQASM 2.0 on the grid's qubits\n"
    "\n"
    "\"gridswap-qasm COMMAND --help\" describes a command.\n";

const char kMapHelp[] =
    "Usage: gridswap-qasm map [options] IN.qasm OUT.qasm\n"
    "\n"
    "Imports IN.qasm, places and routes it on the grid as gridswap does (one placement trial per\n"
    "qubit, the trial with the fewest SWAPs kept), verifies the mapping as gridswap-check does,\n"
    "and writes it to OUT.qasm as OpenQASM 2.0 on the grid's physical qubits, measurements,\n"
    "resets, barriers and conditions included.\n"
    "\n"
    "Options:\n"
    "  --grid WxH        the chip: W columns and H rows, each from 1 to 256; a program with\n"
    "                    more qubits than sites is refused (default: the smallest grid\n"
    "                    gridswap picks for the qubits)\n"
    "  --chip FILE       a chip file instead of a grid: the qubits and usable couplers of\n"
    "                    a grid with missing sites (see docs/chips.md); the program is\n"
    "                    written on the chip's device indices\n"
    "  --window N        the router's look-ahead window, a whole number from 0 up (default 3)\n"
    "  --ignore-measure  drops measure statements unchecked, for sources that measure\n"
    "                    registers they never declare\n"
    "  --effort LEVEL    default (gridswap's trials), more (about 10 times the work: more\n"
    "                    windows and starting placements, forward-backward refinement) or max\n"
    "                    (about 100 times, then annealing of the starting placement: seconds\n"
    "                    to about a minute); every level is verified, none needs more SWAPs\n"
    "                    than default\n"
    "  --threads N       worker threads for the trials, from 1 to 1024 (default: as the\n"
    "                    GRIDSWAP_THREADS variable says for gridswap, else one per CPU)\n"
    "  --native FILE     also writes gridswap's own mapped circuit to FILE and its layout to\n"
    "                    FILE.layout\n"
    "  --svg FILE        also draws the mapping as an SVG picture in FILE, with a chart of the\n"
    "                    inserted SWAPs of every trial\n"
    "  -h, --help        prints this help\n";

const char kImportHelp[] =
    "Usage: gridswap-qasm import [--ignore-measure] IN.qasm OUT.circ\n"
    "\n"
    "Converts an OpenQASM 2.0 program into gridswap's circuit format.\n"
    "\n"
    "Options:\n"
    "  --ignore-measure  drops measure statements unchecked, for sources that measure\n"
    "                    registers they never declare\n"
    "  -h, --help        prints this help\n";

const char kExportHelp[] =
    "Usage: gridswap-qasm export [--chip FILE] MAPPED.circ [LAYOUT] OUT.qasm\n"
    "\n"
    "Writes a mapped circuit and its layout file (default: MAPPED.circ.layout) as OpenQASM 2.0\n"
    "on the grid's physical qubits, site (x, y) being q[y*W + x].\n"
    "\n"
    "Options:\n"
    "  --chip FILE       addresses the qubits of the chip of FILE instead: a site is q[INDEX],\n"
    "                    INDEX its qubit's index on the chip, in one register of the largest\n"
    "                    index plus one; the layout must fit the chip (its grid, \".\" exactly\n"
    "                    where it has no qubit)\n"
    "  -h, --help        prints this help\n";

// Reads a whole regular file; false when it cannot be read.
bool readText(const std::string& path, std::string& text) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return !in.bad();
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

// The file name of a path, without its folders.
std::string baseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes the files, each in full or not at all; the error line when one cannot be written.
bool writeOutputs(const std::vector<FileText>& files) {
  std::string failed;
  if (writeFilesAtomically(files, &failed)) return true;
  fail("Cannot write file: " + failed);
  return false;
}

// The first of `outputs` that would overwrite `input` or an earlier output, with its message.
std::string outputClash(const std::vector<std::string>& inputs,
                        const std::vector<std::string>& outputs) {
  for (std::size_t k = 0; k < outputs.size(); ++k) {
    for (const std::string& in : inputs) {
      if (sameFile(in, outputs[k]))
        return "Output file would overwrite the input file: " + outputs[k];
    }
    for (std::size_t j = 0; j < k; ++j) {
      if (sameFile(outputs[j], outputs[k]))
        return "Two outputs would be the same file: " + outputs[k];
    }
  }
  return "";
}

double secondsSince(const timespec& start) {
  timespec end;
  clock_gettime(CLOCK_MONOTONIC, &end);
  return static_cast<double>(end.tv_sec - start.tv_sec) +
         static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e9;
}

// Reads "WxH" with W and H from 1 to the largest grid side.
bool parseGrid(const std::string& text, int* width, int* height) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos) return false;
  long long w = 0;
  long long h = 0;
  if (!parseWholeNumber(text.substr(0, x), 1, kMaxGridSide, &w) ||
      !parseWholeNumber(text.substr(x + 1), 1, kMaxGridSide, &h)) {
    return false;
  }
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

int runMap(const std::vector<std::string>& args) {
  CLI::App app;
  std::string grid;
  std::string window;
  std::string threads;
  std::string native;
  std::string effort;
  std::string svg;
  bool ignoreMeasure = false;
  std::vector<std::string> files;
  std::string chipFile;
  app.add_option("--grid", grid)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("--chip", chipFile)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("--effort", effort)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("--window", window)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("--threads", threads)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("--native", native)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("--svg", svg)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_flag("--ignore-measure", ignoreMeasure);
  app.add_option("files", files)->expected(-1);
  const int parsed = parseCommandLine(app, args, kMapUsage, kMapHelp);
  if (parsed >= 0) return parsed;

  MapOptions options;
  options.ignoreMeasure = ignoreMeasure;
  if (app.count("--grid") && !parseGrid(grid, &options.width, &options.height)) {
    return usageError(kMapUsage, "--grid needs WxH, W and H whole numbers from 1 to " +
                                     std::to_string(kMaxGridSide) + ", not \"" + grid + "\"");
  }
  if (app.count("--chip") && app.count("--grid")) {
    return usageError(kMapUsage, "--chip and --grid exclude each other");
  }
  if (app.count("--chip") && chipFile.empty())
    return usageError(kMapUsage, "--chip needs a file name");
  long long number = 0;
  if (app.count("--window")) {
    if (!parseWholeNumber(window, 0, 2147483647, &number)) {
      return usageError(kMapUsage,
                        "--window needs a whole number from 0 up, not \"" + window + "\"");
    }
    options.window = static_cast<int>(number);
  }
  if (app.count("--threads")) {
    if (!parseWholeNumber(threads, 1, kMaxWorkers, &number)) {
      return usageError(kMapUsage, "--threads needs a whole number from 1 to " +
                                       std::to_string(kMaxWorkers) + ", not \"" + threads + "\"");
    }
    options.threads = static_cast<int>(number);
  }
  if (app.count("--effort") && !parseEffort(effort, &options.effort)) {
    return usageError(kMapUsage, "--effort needs default, more or max, not \"" + effort + "\"");
  }
  if (app.count("--native") && native.empty()) {
    return usageError(kMapUsage, "--native needs a file name");
  }
  if (app.count("--svg") && svg.empty()) return usageError(kMapUsage, "--svg needs a file name");
  if (files.size() != 2) {
    return usageError(kMapUsage, "2 file names expected, not " + std::to_string(files.size()));
  }

  // Without --threads the workers are as GRIDSWAP_THREADS sets them for gridswap.
  if (!app.count("--threads")) {
    std::string error;
    if (!workersFromSetting(std::getenv("GRIDSWAP_THREADS"), options.threads, error)) {
      return fail(error);
    }
  }

  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  const std::string& in = files[0];
  const std::string& out = files[1];
  std::vector<std::string> outputs = {out};
  if (!native.empty()) {
    outputs.push_back(native);
    outputs.push_back(defaultLayoutPath(native));
  }
  if (!svg.empty()) outputs.push_back(svg);
  const std::string clash = outputClash({in}, outputs);
  if (!clash.empty()) return fail(clash);
  std::string source;
  if (!readText(in, source)) return fail("Cannot open file: " + in);
  if (!chipFile.empty()) {
    try {
      options.chip = std::make_shared<const Chip>(readChip(chipFile));
    } catch (const ChipError& e) {
      return fail(e.what());
    }
  }

  MapNames names;
  names.source = in;
  names.mapped = native.empty() ? out + ".mapped.circ" : native;
  names.chip = chipFile;
  MapResult result;
  try {
    result = mapQasm(source, names, options);
  } catch (const QasmError& e) {
    return report(e, in);
  } catch (const MapError& e) {
    return fail(e.what());
  }

  std::vector<FileText> written;
  if (!native.empty()) {
    written.push_back({native, result.mapped});
    written.push_back({defaultLayoutPath(native), result.layout});
  }
  written.push_back({out, result.qasm});
  if (!svg.empty()) {
    // The picture of the kept trial, with every trial's SWAPs by seed under it.
    SeedChart chart;
    for (const TrialResult& trial : result.trials)
      chart.swapsBySeed.push_back(trial.costU);
    chart.chosenSeed = result.bestSeed;
    std::string picture;
    const CheckResult drawn = drawMappingText(names.mapped, result.mapped, result.layout,
                                              baseName(out), &chart, &picture,
                                              result.chip.get());
    if (!drawn.ok()) {
      return fail("Internal error: the mapping of " + in + " cannot be drawn: " + drawn.message);
    }
    written.push_back({svg, picture});
  }
  if (!writeOutputs(written)) return 1;

  const ExportCounts& c = result.exported;
  const int trials = static_cast<int>(result.trials.size());
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", secondsSince(start));
  const std::string where =
      chipFile.empty() ? std::to_string(result.width) + " x " + std::to_string(result.height)
                       : "chip " + chipFile;
  std::cout << out << ": " << countOf(result.qubits, "qubit") << " on " << where << ", "
            << countOf(result.twoQubitGates, "two-qubit gate") << ", "
            << countOf(result.swaps, "SWAP") << " inserted"
            << classicalSummary(c.measurements, c.resets, c.barriers, c.conditions) << " (window "
            << windowName(result.window, result.weighting) << ", "
            << (result.searched ? "effort " + effort
                : trials == 1   ? std::string("1 trial")
                                : "best of " + std::to_string(trials) + " trials")
            << "), verified, " << seconds << " s" << std::endl;
  return 0;
}

int runImport(const std::vector<std::string>& args) {
  CLI::App app;
  bool ignoreMeasure = false;
  std::vector<std::string> files;
  app.add_flag("--ignore-measure", ignoreMeasure);
  app.add_option("files", files)->expected(-1);
  const int parsed = parseCommandLine(app, args, kImportUsage, kImportHelp);
  if (parsed >= 0) return parsed;
  if (files.size() != 2) {
    return usageError(kImportUsage, "2 file names expected, not " + std::to_string(files.size()));
  }
  ImportOptions options;
  options.ignoreMeasure = ignoreMeasure;
  const std::string& in = files[0];
  const std::string& out = files[1];
  const std::string clash = outputClash({in}, {out});
  if (!clash.empty()) return fail(clash);
  std::string source;
  if (!readText(in, source)) return fail("Cannot open file: " + in);
  CircCircuit circuit;
  try {
    circuit = importQasm(source, in, options);
  } catch (const QasmError& e) {
    return report(e, in);
  }
  if (!writeOutputs({{out, circText(circuit)}})) return 1;
  std::cout << out << ": " << countOf(static_cast<long long>(circuit.qubits.size()), "qubit")
            << ", " << countOf(circuit.twoQubitGates, "two-qubit gate") << ", "
            << countOf(circuit.oneQubitGates, "one-qubit gate")
            << classicalSummary(circuit.measurements, circuit.resets, circuit.barriers,
                                circuit.conditions)
            << std::endl;
  return 0;
}

// A reader's fault "FAIL FILE:LINE: what" reported like every other error, without "FAIL ".
int failWithoutPrefix(const std::string& message) {
  const std::string prefix = "FAIL ";
  const bool prefixed = message.compare(0, prefix.size(), prefix) == 0;
  return fail(prefixed ? message.substr(prefix.size()) : message);
}

int runExport(const std::vector<std::string>& args) {
  CLI::App app;
  std::vector<std::string> files;
  std::string chipPath;
  app.add_option("--chip", chipPath)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("files", files)->expected(-1);
  const int parsed = parseCommandLine(app, args, kExportUsage, kExportHelp);
  if (parsed >= 0) return parsed;
  if (app.count("--chip") && chipPath.empty()) {
    return usageError(kExportUsage, "--chip needs a file name");
  }
  if (files.size() != 2 && files.size() != 3) {
    return usageError(kExportUsage,
                      "2 or 3 file names expected, not " + std::to_string(files.size()));
  }
  const std::string& mappedPath = files[0];
  const std::string layoutPath = files.size() == 3 ? files[1] : defaultLayoutPath(mappedPath);
  const std::string& out = files.back();
  const std::string clash = outputClash({mappedPath, layoutPath}, {out});
  if (!clash.empty()) return fail(clash);
  MappedCircuit mapped;
  const CheckResult read = readMappedCircuit(mappedPath, layoutPath, &mapped);
  if (read.status == 2) return fail(read.message);
  if (!read.ok()) return failWithoutPrefix(read.message);
  Chip chip;
  if (!chipPath.empty()) {
    try {
      chip = readChip(chipPath);
    } catch (const ChipError& e) {
      return fail(e.what());
    }
    const CheckResult fits = checkFitsChip(mapped, chip);
    if (!fits.ok()) return failWithoutPrefix(fits.message);
  }
  ExportCounts counts;
  std::string text;
  try {
    text = exportQasm(mapped, &counts, "", chipPath.empty() ? nullptr : &chip, chipPath);
  } catch (const QasmError& e) {
    return report(e, mappedPath);
  }
  if (!writeOutputs({{out, text}})) return 1;
  const std::string where =
      chipPath.empty()
          ? "grid " + std::to_string(mapped.width) + " x " + std::to_string(mapped.height)
          : "chip " + chipPath + " (" + countOf(chip.liveCount(), "qubit") + ")";
  std::cout << out << ": " << where << ", " << countOf(counts.twoQubit, "two-qubit gate") << ", "
            << countOf(counts.swaps, "inserted swap") << ", "
            << countOf(counts.oneQubit, "one-qubit gate")
            << classicalSummary(counts.measurements, counts.resets, counts.barriers,
                                counts.conditions)
            << std::endl;
  return 0;
}

}  // namespace

int runQasmTool(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return usageError(kToolUsage, "a command is needed");
  const std::string& command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "map") return runMap(rest);
  if (command == "import") return runImport(rest);
  if (command == "export") return runExport(rest);
  if (command == "--help" || command == "-h") {
    std::cout << kToolHelp << std::flush;
    return 0;
  }
  return usageError(kToolUsage, "unknown command " + command);
}
