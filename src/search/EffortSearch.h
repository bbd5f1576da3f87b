#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "driver/InterActGraph.h"
#include "routing/BeamRouter.h"
#include "routing/GridPaths.h"
#include "search/Embedding.h"

// How hard the mapping search tries: kDefault is gridswap's own run, the others search more
// starting placements and windows with forward-backward refinement.
enum class Effort { kDefault, kMore, kMax };

// The level named `name` ("default", "more", "max"); false for any other name.
bool parseEffort(const std::string& name, Effort* effort);

// The router that made a mapping: the windowed router under some window, the beam router
// (beamRefine) or the exact router (routeExact).
enum class Router { kWindowed, kBeam, kExact };

// The knobs of one search; each level is one setting of them.
struct SearchPlan {
  // Work units for the search of a placement under which every two-qubit gate acts on a
  // coupler (embedGraph), made before any routing; 0 makes none. The bound grows to
  // perfectScale units per two-qubit gate and usable site, as the default run's cost does, but
  // not beyond perfectCeiling.
  long long perfectWork = 0;
  long long perfectScale = 0;
  long long perfectCeiling = 0;
  // The SAT solver's share of the same question when that search ends without an answer
  // (satEmbedding): perfectSatWork conflicts per site variable, so that its time stays about
  // the same whatever the size of the chip; 0 asks it nothing.
  long long perfectSatWork = 0;
  std::vector<int> windows;        // windows every start is routed with (the user's window first)
  std::vector<int> gradedWindows;  // windows it is routed with under graded weighting as well
  // Wide windows, routed only from the starts of the wideStarts best first routings (both
  // directions), whose wideRefine best are refined besides the others: they see past the next
  // layers of long circuits of scattered gates but cost too much to route from every start.
  std::vector<int> wideWindows;
  int wideStarts = 0;
  int wideRefine = 0;
  bool extraStarts = false;  // serpentine and depth-first starts besides the greedy ones
  bool bandStarts = false;   // band starts as well (with extraStarts)
  // A start that embeds the longest prefix of the circuit it can (with extraStarts), searched
  // with prefixWork units.
  bool prefixStart = false;
  long long prefixWork = 0;
  int randomStarts = 0;  // starts drawn from the fixed-seed generator
  int refineTop = 0;     // how many of the best (start, window) pairs are refined
  int rounds = 0;        // forward-backward rounds per refined pair at most
  int patience = 1;      // rounds without improvement before a pair's refinement stops
  // The work the search may spend, counted in routed two-qubit gates: workFactor times the
  // default run's (one routing per greedy start), but at least workFloor and at most
  // workCeiling. A factor of 0 sets no limit.
  long long workFactor = 0;
  long long workFloor = 0;
  long long workCeiling = 0;
  // Refinement moves the qubits along the circuit repeated up to 8 times, until it has this
  // many two-qubit gates per qubit; 0 moves them along the circuit once.
  long long settleGates = 0;
  // Annealing after refinement (see annealStart): one run from the best forward candidate and
  // one from each band start's best, at most annealRuns in all, sharing annealFactor times the
  // default run's work in routed gates (at least annealFloor, at most annealCeiling), where a
  // routing counts its gates plus four per SWAP that its run's start needs.
  int annealRuns = 0;
  long long annealFactor = 0;
  long long annealFloor = 0;
  long long annealCeiling = 0;
  // A second pass of the same runs with annealLongFactor times the default run's work (at most
  // annealCeiling) when that is more than the first pass had: mid-sized circuits gain from
  // slower cooling, and the first pass's finds still count.
  long long annealLongFactor = 0;
  double annealTemperature = 1.0;
  bool tieOnRestoring = false;      // ties of routing SWAPs go to fewer restoring SWAPs
  bool reversedCandidates = false;  // reversed routings, read backwards, are candidates too
  // Beam routing of the best mapping at the end (beamRefine, beamRounds rounds back and forth),
  // once for each price of the gates ahead in beamLooks; no beam when beamRounds is 0. The beam
  // is beam.width placements wide, or narrower on long circuits: beamWork placements kept over
  // all gates of one routing; none when that is narrower than beamNarrowest.
  BeamPlan beam;
  int beamRounds = 0;
  std::vector<double> beamLooks;
  long long beamWork = 0;
  int beamNarrowest = 1;
  // The exact router for circuits whose placements (usable sites to the power of the qubits
  // with gates) number at most exactLimit; 0 never runs it.
  long long exactLimit = 0;
};

// A window as reports name it: "16", or "16 graded" when its gates count by graded weighting.
std::string windowName(int window, Weighting weighting);

// What the report says in place of the window for a mapping of `router`: the window's name for
// the windowed router, else "beam" or "exact".
std::string routingName(Router router, int window, Weighting weighting);

// The plan of a level for the window the user asked for.
SearchPlan planFor(Effort effort, int window);

// The mapping the search chose, with what it took to find it.
struct SearchResult {
  bool found = false;                      // false when the circuit gave no candidate (no qubits)
  AllocMatrix start;                       // the starting placement to route
  int window = 0;                          // the window to route it with
  Weighting weighting = Weighting::kEven;  // how that window counts its gates
  bool reversed = false;  // route the reversed circuit from `start` and read it backwards
  // The router of the kept mapping; with the beam or the exact router, `swaps` holds the SWAPs
  // before each gate from `start`, and the window and the direction are unused.
  Router router = Router::kWindowed;
  std::vector<SwapList> swaps;
  RouteCosts costs{0, 0};  // its routing and routing-plus-restoring SWAPs
  long candidate = -1;     // its index in the search's fixed candidate order
  int starts = 0;          // starting placements tried
  long routings = 0;       // routing runs made, forward and backward
  int defaultU = -1;       // the best routing SWAPs of the greedy starts at the user's window
  int phaseU = -1;         // the best routing SWAPs before refinement
  int refinedU = -1;       // the best routing SWAPs before annealing
  EmbedStatus embedding = EmbedStatus::kUnknown;  // what the perfect placement search found
  bool embedSearched = false;                     // whether the plan made that search
};

// The work bound of the plan's perfect placement search for the circuit of `graph`.
long long perfectBound(const InterActGraph& graph, const SearchPlan& plan);

// The conflicts the plan gives the SAT solver for the circuit of `graph`: perfectSatWork over
// the site variables of its formula (qubits times usable sites), at least 1 when it has work.
long long satConflicts(const InterActGraph& graph, const SearchPlan& plan);

// Searches starting placements and windows by `plan` on `threads` threads (at least 1) and
// returns the best candidate by (routing SWAPs, [restoring SWAPs,] candidate index); the same
// for any thread count. Leaves the graph's grids in an unspecified placement. Once `cancel` is
// set, the workers stop between routings and Cancelled is thrown after they have ended.
SearchResult searchMapping(InterActGraph& graph, const SearchPlan& plan, int threads,
                           const std::atomic<bool>* cancel = nullptr);
