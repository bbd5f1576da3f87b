// libFuzzer target for gridswap-check's readers. One input holds an input circuit, a mapped
// circuit and a layout, separated by lines "---"; they go through the whole check, which must
// end with one line and status 0, 1 or 2. When gridswap's own reader accepts the input circuit
// and it is small, gridswap's mapping of it must pass the check as well.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "check/CheckMapping.h"
#include "driver/InterActGraph.h"

namespace {

constexpr int kMaxQubits = 16;
constexpr int kMaxSites = 25;
constexpr int kMaxGates = 64;

void require(bool ok, const char* what, const std::string& detail = "") {
  if (ok) return;
  std::fprintf(stderr, "broken invariant: %s %s\n", what, detail.c_str());
  std::abort();
}

// A scratch folder for the three files, made once per process.
const std::string& scratch() {
  static const std::string dir = [] {
    char pattern[] = "/tmp/gridswap-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    require(made != nullptr, "scratch folder");
    return std::string(made);
  }();
  return dir;
}

void writeText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

void requireOneLine(const CheckResult& r) {
  require(r.status >= 0 && r.status <= 2, "status 0, 1 or 2", r.message);
  require(!r.message.empty() && r.message.find('\n') == std::string::npos, "one line", r.message);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string separator = "\n---\n";
  std::string parts[3];
  std::size_t from = 0;
  for (int i = 0; i < 3; ++i) {
    const std::size_t at = i < 2 ? text.find(separator, from) : std::string::npos;
    parts[i] = text.substr(from, at == std::string::npos ? std::string::npos : at - from);
    if (at == std::string::npos) break;
    from = at + separator.size();
  }
  const std::string input = scratch() + "/in.circ";
  const std::string mapped = scratch() + "/out.circ";
  const std::string layout = mapped + ".layout";
  writeText(input, parts[0]);
  writeText(mapped, parts[1]);
  writeText(layout, parts[2]);
  requireOneLine(checkMapping(input, mapped, layout));

  std::istringstream in(parts[0]);
  InterActGraph g(in, input, 1, 1, -1);
  if (!g.readError.empty() || g.qubitNum == 0 || g.qubitNum > kMaxQubits || g.nodeNum > kMaxSites ||
      g.gateNum > kMaxGates) {
    return 0;
  }
  g.resetGrid();
  require(g.mapToGrid(0), "placement succeeds");
  std::ostringstream circuit;
  RouteOutput out;
  out.circuit = &circuit;
  out.layoutPath = layout;
  g.routeWindowed(3, 1, out);
  writeText(mapped, circuit.str());
  const CheckResult own = checkMapping(input, mapped, layout);
  require(own.ok(), "gridswap's own mapping passes the check", own.message);
  return 0;
}
