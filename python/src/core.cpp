// The gridswap extension module: mapQasm, the checker, the drawing and the chip model, called
// from Python. Mapping runs on a worker thread with the GIL released; the calling thread waits
// in short slices, checks for signals and, on Ctrl-C, cancels the run and joins the worker.
#include <nanobind/nanobind.h>
#include <nanobind/stl/pair.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/tuple.h>
#include <nanobind/stl/vector.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "check/CheckMapping.h"
#include "check/MappedCircuit.h"
#include "check/TextLines.h"
#include "chip/Chip.h"
#include "chip/ChipReader.h"
#include "draw/DrawTool.h"
#include "driver/Cancel.h"
#include "qasm/QasmError.h"
#include "qasm/QasmMap.h"

namespace nb = nanobind;

namespace {

// A QasmError as gridswap-qasm reports it: "FILE:LINE: what", or "FILE: what" without a line.
std::string qasmMessage(const QasmError& e, const std::string& source) {
  const std::string where = e.file.empty() ? source : e.file;
  if (e.line <= 0) return where + ": " + e.what();
  return where + ":" + std::to_string(e.line) + ": " + e.what();
}

// Runs mapQasm on a worker thread while the calling thread, its GIL released, waits in slices
// of 50 ms and checks for signals; a signal cancels the run, and its exception is raised once
// the worker has ended.
MapResult mapCancellable(const std::string& source, const MapNames& names, MapOptions options) {
  std::atomic<bool> cancel{false};
  options.cancel = &cancel;
  MapResult result;
  std::exception_ptr error;
  bool interrupted = false;
  {
    nb::gil_scoped_release release;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread worker([&] {
      try {
        result = mapQasm(source, names, options);
      } catch (...) {
        error = std::current_exception();
      }
      std::lock_guard<std::mutex> lock(mutex);
      done = true;
      finished.notify_one();
    });
    std::unique_lock<std::mutex> lock(mutex);
    while (!done) {
      finished.wait_for(lock, std::chrono::milliseconds(50));
      if (done || interrupted) continue;
      lock.unlock();
      {
        nb::gil_scoped_acquire acquire;
        interrupted = PyErr_CheckSignals() != 0;
      }
      if (interrupted) cancel.store(true);
      lock.lock();
    }
    lock.unlock();
    worker.join();
  }
  if (interrupted) throw nb::python_error();
  if (error) {
    try {
      std::rethrow_exception(error);
    } catch (const QasmError& e) {
      throw nb::value_error(qasmMessage(e, names.source).c_str());
    } catch (const MapError& e) {
      throw nb::value_error(e.what());
    }
  }
  return result;
}

// The device index of a grid index y * width + x on `chip`.
int deviceOf(const Chip& chip, int width, int gridIndex) {
  return chip.deviceIndex(Location{gridIndex % width, gridIndex / width});
}

// The fields of a mapping as a dict of plain values: the texts, the counts and costs, and the
// placements and inserted SWAPs in device indices of `chip`.
nb::dict mappingFields(const MapResult& r, const MapNames& names, const Chip& chip) {
  MappedCircuit read;
  const std::string layoutName = defaultLayoutPath(names.mapped);
  const CheckResult back = readMappedCircuitLines(names.mapped, textLines(r.mapped), layoutName,
                                                  textLines(r.layout), &read);
  if (!back.ok()) throw std::runtime_error("Internal error: " + back.message);
  nb::dict initial;
  nb::dict final;
  std::vector<int> finalOf(read.qubits.size(), -1);
  for (std::size_t g = 0; g < read.finalAt.size(); ++g) {
    if (read.finalAt[g] >= 0)
      finalOf[static_cast<std::size_t>(read.finalAt[g])] = static_cast<int>(g);
  }
  for (std::size_t k = 0; k < r.imported.qubits.size(); ++k) {
    const int q = read.indexOf.at(r.imported.qubits[k]);
    initial[nb::int_(k)] = deviceOf(chip, read.width, read.gridIndex(q));
    final[nb::int_(k)] = deviceOf(chip, read.width, finalOf[static_cast<std::size_t>(q)]);
  }
  nb::list swaps;
  nb::list swapGates;  // per inserted SWAP: the two-qubit gates of the program before it
  int gates = 0;
  for (const MappedLine& l : read.lines) {
    if (l.kind == MappedLine::kGate) ++gates;
    if (l.kind != MappedLine::kSwap) continue;
    swaps.append(nb::make_tuple(deviceOf(chip, read.width, read.gridIndex(l.site1)),
                                deviceOf(chip, read.width, read.gridIndex(l.site2))));
    swapGates.append(gates);
  }
  nb::list trials;
  for (const TrialResult& t : r.trials)
    trials.append(nb::make_tuple(t.costB, t.costU, t.costR));
  nb::dict d;
  d["qasm"] = r.qasm;
  d["mapped"] = r.mapped;
  d["layout"] = r.layout;
  d["circuit"] = r.circuit;
  d["mapped_name"] = names.mapped;
  d["qubits"] = r.qubits;
  d["width"] = r.width;
  d["height"] = r.height;
  if (r.router != Router::kWindowed) {
    d["window"] = nb::none();
  } else {
    d["window"] = r.window;
  }
  d["graded"] = r.weighting == Weighting::kGraded;
  d["two_qubit_gates"] = r.twoQubitGates;
  d["swap_count"] = r.swaps;
  d["searched"] = r.searched;
  d["seed"] = r.bestSeed;
  d["trials"] = trials;
  d["verification"] = r.verification;
  d["initial_placement"] = initial;
  d["final_placement"] = final;
  d["swaps"] = swaps;
  d["swap_gates"] = swapGates;
  d["measurements"] = r.exported.measurements;
  return d;
}

// A chip from (index, x, y) triples and no-coupler pairs; ValueError with the chip's message.
Chip makeChip(const std::vector<std::tuple<int, int, int>>& qubits,
              const std::vector<std::pair<int, int>>& noCouplers) {
  std::vector<ChipQubit> list;
  for (const auto& [index, x, y] : qubits)
    list.push_back({index, Location{x, y}});
  try {
    return Chip(list, noCouplers);
  } catch (const std::invalid_argument& e) {
    throw nb::value_error(e.what());
  }
}

// What Python keeps of a chip: its grid, whether it is full, its qubits and unusable couplers.
nb::tuple chipFields(const Chip& chip) {
  std::vector<std::tuple<int, int, int>> qubits;
  for (const ChipQubit& q : chip.qubits())
    qubits.emplace_back(q.index, q.site.x, q.site.y);
  return nb::make_tuple(chip.width(), chip.height(), chip.full(), qubits, chip.noCouplers());
}

}  // namespace

NB_MODULE(_core, m) {
  m.doc() = "The gridswap core library: mapping, checking and drawing on nearest-neighbour grids.";

  m.def(
      "map_qasm",
      [](const std::string& source, const std::string& sourceName, const std::string& mappedName,
         int width, int height, int window, const std::string& effort, int threads,
         bool ignoreMeasure, const std::vector<std::tuple<int, int, int>>& chipQubits,
         const std::vector<std::pair<int, int>>& chipNoCouplers, const std::string& chipName) {
        MapOptions options;
        options.width = width;
        options.height = height;
        options.window = window;
        options.threads = threads;
        options.ignoreMeasure = ignoreMeasure;
        if (!parseEffort(effort, &options.effort)) {
          throw nb::value_error(
              ("Unknown effort level " + effort + ": expected default, more or max").c_str());
        }
        if (!chipQubits.empty())
          options.chip = std::make_shared<const Chip>(makeChip(chipQubits, chipNoCouplers));
        MapNames names;
        names.source = sourceName;
        names.mapped = mappedName;
        names.chip = chipName;
        const MapResult r = mapCancellable(source, names, options);
        return mappingFields(r, names, r.chip ? *r.chip : Chip::grid(r.width, r.height));
      },
      nb::arg("source"), nb::arg("source_name"), nb::arg("mapped_name"), nb::arg("width"),
      nb::arg("height"), nb::arg("window"), nb::arg("effort"), nb::arg("threads"),
      nb::arg("ignore_measure"), nb::arg("chip_qubits"), nb::arg("chip_no_couplers"),
      nb::arg("chip_name"),
      "Maps an OpenQASM 2.0 program as gridswap-qasm map does, onto the grid or, when its qubits "
      "are given, the chip; a dict of the result's fields, qubits as device indices.");

  m.def(
      "two_qubit_gates",
      [](const std::string& source) {
        try {
          return importQasm(source, "gate.qasm", ImportOptions()).twoQubitGates;
        } catch (const QasmError& e) {
          throw nb::value_error(qasmMessage(e, "gate.qasm").c_str());
        }
      },
      "The two-qubit gates the import makes of an OpenQASM 2.0 program.");

  m.def(
      "check_text",
      [](const std::string& inputName, const std::string& inputText, const std::string& mappedName,
         const std::string& mappedText, const std::string& layoutName,
         const std::string& layoutText) {
        const CheckResult r =
            checkMappingText(inputName, inputText, mappedName, mappedText, layoutName, layoutText);
        return std::make_pair(r.status, r.message);
      },
      "Checks a mapping held in memory as gridswap-check does: (status, line).");

  m.def(
      "check_files",
      [](const std::string& input, const std::string& mapped, const std::string& layout) {
        CheckResult r;
        {
          nb::gil_scoped_release release;
          r = checkMapping(input, mapped, layout);
        }
        return std::make_pair(r.status, r.message);
      },
      "Checks mapping files as gridswap-check does: (status, line).");

  m.def(
      "draw",
      [](const std::string& mappedName, const std::string& mappedText,
         const std::string& layoutText, const std::string& title,
         const std::vector<int>& swapsBySeed, int chosenSeed,
         const std::vector<std::tuple<int, int, int>>& chipQubits,
         const std::vector<std::pair<int, int>>& chipNoCouplers) {
        SeedChart chart;
        chart.swapsBySeed = swapsBySeed;
        chart.chosenSeed = chosenSeed;
        Chip chip;
        if (!chipQubits.empty()) chip = makeChip(chipQubits, chipNoCouplers);
        std::string svg;
        const CheckResult r = drawMappingText(mappedName, mappedText, layoutText, title,
                                              swapsBySeed.empty() ? nullptr : &chart, &svg,
                                              chipQubits.empty() ? nullptr : &chip);
        if (!r.ok()) throw nb::value_error(r.message.c_str());
        return svg;
      },
      "Draws a mapping as gridswap-draw does; the SVG text.");

  m.def(
      "chip_fields",
      [](const std::vector<std::tuple<int, int, int>>& qubits,
         const std::vector<std::pair<int, int>>& noCouplers) {
        return chipFields(makeChip(qubits, noCouplers));
      },
      "Builds a chip from (index, x, y) qubits and no-coupler pairs: (width, height, full, "
      "qubits, no_couplers), or ValueError with the chip's message.");

  m.def(
      "read_chip",
      [](const std::string& path) {
        try {
          return chipFields(readChip(path));
        } catch (const ChipError& e) {
          const std::string line = e.what();
          if (line.rfind("Cannot open file: ", 0) == 0) {
            PyErr_SetString(PyExc_OSError, line.c_str());
            throw nb::python_error();
          }
          throw nb::value_error(line.c_str());
        }
      },
      "Reads a chip file: its fields as chip_fields gives them; OSError for a file that cannot "
      "be opened, ValueError with the reader's message for a malformed one.");

  m.def(
      "grid_fields", [](int width, int height) { return chipFields(Chip::grid(width, height)); },
      "The full width x height grid's fields, as chip_fields gives them.");
}
