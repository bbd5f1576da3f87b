#pragma once

#include <cstddef>
#include <istream>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <boost/graph/adjacency_list.hpp>

#include "chip/Chip.h"
#include "chip/Location.h"

// The largest grid gridswap builds is kMaxGridSide x kMaxGridSide sites; a larger request, or a
// circuit that needs a larger grid, ends with kGridTooLarge.
constexpr int kMaxGridSide = 256;
constexpr const char* kGridTooLarge = "Grid too large: at most 256 x 256 sites";

// Vertex property: the qubit index of a vertex of the interaction graph.
struct vertex_idx_t {
  typedef boost::vertex_property_tag kind;
};
// Edge property: how many two-qubit gates act on the edge's pair of qubits.
struct edge_act_t {
  typedef boost::edge_property_tag kind;
};

// Undirected interaction graph; the edge list keeps the order in which pairs first met.
typedef boost::adjacency_list<boost::vecS, boost::vecS, boost::undirectedS,
                              boost::property<vertex_idx_t, int>, boost::property<edge_act_t, int>,
                              boost::no_property, boost::listS>
    InteractionGraph;

// A qubit's gate activity, the key of the node ranking.
struct Node {
  int vertex;  // qubit index
  int degree;  // out-edge entries: distinct partners, a loop counting twice
  int act;     // two-qubit gates on the qubit, a loop's counting twice
};

// Node ranking order: idle qubits first, then by activity, then by activity per partner.
bool operator<(const Node& a, const Node& b);

// True for the two-qubit gate mnemonics CNOT, CZ, CP, SWAP, GEO and ZENO.
bool isTwoQubitGate(const std::string& token);

// One line of the circuit text, classified and tokenised once by the reader so that the
// routers need not split and look up names again for every trial. Text is kept as offsets
// into circuitText, which keeps a long circuit's table small.
struct CircuitLine {
  enum Kind : unsigned char { kOther, kQubitCount, kQubitDecl, kBegin, kGate, kEnd };
  Kind kind = kOther;
  std::size_t start = 0;           // offset of the line in circuitText
  std::size_t length = 0;          // length of the line, without its line feed
  int q1 = 0;                      // gate lines: qubit index of the first operand
  int q2 = 0;                      // gate lines: qubit index of the second operand
  std::size_t mnemonicAt = 0;      // gate lines: offset of the first token in the line
  std::size_t mnemonicLength = 0;  // gate lines: its length
  std::size_t trailingAt = 0;      // gate lines: offset of the fourth token in the line
  std::size_t trailingLength = 0;  // gate lines: its length, 0 when there is none

  // The whole line, given the circuit text it was read from.
  std::string_view text(const std::string& circuitText) const {
    return std::string_view(circuitText).substr(start, length);
  }
  // Gate lines: the first token.
  std::string_view mnemonic(const std::string& circuitText) const {
    return text(circuitText).substr(mnemonicAt, mnemonicLength);
  }
  // Gate lines: the fourth token, or empty.
  std::string_view trailing(const std::string& circuitText) const {
    return text(circuitText).substr(trailingAt, trailingLength);
  }
};

// Costs of one windowed routing: routing SWAPs, and those plus the restoring SWAPs.
typedef std::pair<int, int> RouteCosts;

// Where a windowed routing writes; a null stream, and no layout path or text, write nothing.
struct RouteOutput {
  std::ostream* circuit = nullptr;    // the mapped circuit
  std::string layoutPath;             // the layout file, rewritten whole at each write
  std::string* layoutText = nullptr;  // when set, holds the latest layout instead of a file
  bool layoutFailed = false;          // set when the layout file could not be written
  // When set, receives the SWAPs inserted before each two-qubit gate, one entry per gate line
  // routed (empty for an adjacent gate), as pairs of sites.
  std::vector<std::vector<std::pair<Location, Location>>>* gateSwaps = nullptr;

  // True when layouts are kept somewhere.
  bool wantsLayout() const { return layoutText != nullptr || !layoutPath.empty(); }
};

// Replaces the layout in `out` with `text`: the held text, else the whole file (a failure is
// noted in out.layoutFailed).
void writeLayout(RouteOutput& out, const std::string& text);

// One step of the interaction graph's out-edge list, as placement walks it.
struct Partner {
  int qubit;  // the partner's qubit index
  int act;    // two-qubit gates on the pair
};

// The circuit as read: qubit tables, interaction graph, node records, the circuit text and its
// tokenised lines, and the grid size. The reader fills it once; after that it is only read, so
// that any number of trials, on any number of threads, can share one model.
class CircuitModel {
 public:
  InteractionGraph graph;
  std::string inFile;
  int qubitNum = 0;  // qubits declared before .begin
  int nodeNum = 0;   // qubits entered, declared and filler
  int gateNum = 0;   // two-qubit gate lines of the file
  std::map<std::string, int> nameToIdx;
  std::map<int, std::string> idxToName;
  std::vector<Node> nodes;
  std::string circuitText;
  std::vector<CircuitLine> lines;  // circuitText line by line, tokenised
  std::string readError;           // the fatal message of a circuit refused, or empty
  int gridWidth = 0;               // the grid's width after any enlargement
  int gridHeight = 0;              // the grid's height after any enlargement
  // The chip the circuit is mapped onto: the one given, or else the full grid of gridWidth x
  // gridHeight, set at .begin. Shared, and only read, by every trial.
  std::shared_ptr<const Chip> chip;

  // Tables derived by buildMaps for the trials, so that no trial looks anything up in a map.
  std::vector<std::string> names;              // qubit index to name
  std::vector<Node> ranking;                   // nodes sorted ascending by the ranking order
  std::vector<std::vector<Partner>> partners;  // per vertex: its out-edges in list order

  CircuitModel() = default;
  // Reads the circuit file; a file that cannot be opened, a malformed or too large circuit
  // leaves the one-line message in readError.
  CircuitModel(std::string inFile, int W, int H, int gateLimit);
  // Reads a circuit from a stream; a malformed or too large one leaves its message in readError.
  CircuitModel(std::istream& in, std::string inFile, int W, int H, int gateLimit);
  // Reads a circuit to be mapped onto `chip` (not null): the grid is the chip's, and filler
  // qubits take the usable sites the circuit leaves. A chip that cannot take the circuit leaves
  // its one-line message in readError.
  CircuitModel(std::string inFile, std::shared_ptr<const Chip> chip, int gateLimit);
  CircuitModel(std::istream& in, std::string inFile, std::shared_ptr<const Chip> chip,
               int gateLimit);
  CircuitModel(const CircuitModel&) = delete;
  CircuitModel& operator=(const CircuitModel&) = delete;

  // Adds the vertex of qubit idx.
  void addNode(int idx);
  // Counts one two-qubit gate between u and v, creating their edge on first meeting.
  void addEdge(int u, int v);
  // Appends one Node record per vertex, then derives the trials' tables from the graph.
  void buildMaps();
  // The name of qubit q; empty for -1 (an empty site) and any other index without a name.
  const std::string& nameOf(int q) const {
    static const std::string kNone;
    return q >= 0 && static_cast<std::size_t>(q) < names.size() ? names[q] : kNone;
  }
  // The index of the qubit named `name`; 0 for a name that was never entered.
  int indexOf(const std::string& name) const {
    auto it = nameToIdx.find(name);
    return it == nameToIdx.end() ? 0 : it->second;
  }

  // An occupancy matrix of the chip's grid with every usable site empty (-1) and the others
  // kNoSite.
  std::vector<std::vector<int>> emptyPlacement() const;

  // Diagnostic printouts of the qubit table, the edge list and the node ranking.
  void printInfo() const;
  void printGraph() const;
  void printNodeRanking() const;

 private:
  // Opens the circuit file and reads it; a file that cannot be opened sets readError.
  void readFile(int W, int H, int gateLimit);
  // Reads the circuit text from `in`; sets readError on the first malformed line.
  void read(std::istream& in, int W, int H, int gateLimit);
  // Fixes the grid size at .begin and adds the filler qubits; false, with readError set, when
  // the grid would exceed the largest one.
  bool gridStep(int& W, int& H);
  // Enters a qubit under `name`.
  void enterQubit(const std::string& name);
};
