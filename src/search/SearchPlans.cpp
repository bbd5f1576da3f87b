// The effort levels as settings of the search's knobs, and the names reports give them.
#include "search/EffortSearch.h"

#include <algorithm>
#include <string>

#include "chip/Chip.h"

bool parseEffort(const std::string& name, Effort* effort) {
  if (name == "default") {
    *effort = Effort::kDefault;
  } else if (name == "more") {
    *effort = Effort::kMore;
  } else if (name == "max") {
    *effort = Effort::kMax;
  } else {
    return false;
  }
  return true;
}

std::string windowName(int window, Weighting weighting) {
  return std::to_string(window) + (weighting == Weighting::kGraded ? " graded" : "");
}

std::string routingName(Router router, int window, Weighting weighting) {
  if (router == Router::kBeam) return "beam";
  if (router == Router::kExact) return "exact";
  return windowName(window, weighting);
}

SearchPlan planFor(Effort effort, int window) {
  SearchPlan plan;
  plan.windows = {window};
  if (effort == Effort::kDefault) return plan;
  plan.extraStarts = true;
  plan.bandStarts = true;
  plan.tieOnRestoring = true;
  plan.reversedCandidates = true;
  const std::vector<int> more = {0, 2, 3, 4, 6, 8, 12};
  const std::vector<int> max = {0, 2, 3, 4, 6, 8, 12, 20, 30};
  for (int w : effort == Effort::kMore ? more : max) {
    if (w != window) plan.windows.push_back(w);
  }
  if (effort == Effort::kMore) {
    plan.refineTop = 16;
    plan.wideWindows = {40, 80, 160, 320};
    plan.wideStarts = 4;
    plan.wideRefine = 2;
    plan.rounds = 4;
    plan.patience = 1;
    plan.workFactor = 10;
    plan.workFloor = 200000;
    plan.perfectWork = 2000000;
    plan.perfectScale = 600;
    plan.perfectCeiling = 100000000;
    plan.prefixStart = true;
    plan.prefixWork = 2000000;
  } else {
    plan.gradedWindows = {6, 10, 16, 24};
    plan.wideWindows = {60, 120, 240};
    plan.wideStarts = 16;
    plan.wideRefine = 4;
    plan.randomStarts = 64;
    plan.refineTop = 256;
    plan.workFactor = 100;
    plan.workFloor = 6000000;
    plan.workCeiling = 30000000;
    // Loose patterns on large grids may need the whole bound; circuits that cannot embed are
    // mostly proved so at once and spend none of it.
    plan.perfectWork = 100000000;
    // Up to about a minute of the solver here on the largest circuits it is asked about.
    plan.perfectSatWork = 2000000000;
    plan.prefixStart = true;
    plan.prefixWork = 20000000;
    plan.settleGates = 10;
    plan.annealRuns = 3;
    plan.annealFactor = 500;
    plan.annealFloor = 20000000;
    plan.annealCeiling = 100000000;
    plan.annealLongFactor = 15000;
    plan.rounds = 8;
    plan.patience = 3;
    plan.beam.width = 128;
    plan.beamRounds = 4;
    plan.beamLooks = {0.2, 0.35, 0.1};
    plan.beamWork = 256000;
    plan.beamNarrowest = 32;
    plan.exactLimit = 5000000;
  }
  return plan;
}

long long perfectBound(const InterActGraph& graph, const SearchPlan& plan) {
  long long gates = 0;
  for (const CircuitLine& line : graph.lines)
    gates += line.kind == CircuitLine::kGate && line.q1 != line.q2 ? 1 : 0;
  const long long scaled = plan.perfectScale * gates * graph.chip->liveCount();
  return std::max(plan.perfectWork, std::min(scaled, plan.perfectCeiling));
}

long long satConflicts(const InterActGraph& graph, const SearchPlan& plan) {
  if (plan.perfectSatWork <= 0) return 0;
  const long long pairs =
      std::max<long long>(1, static_cast<long long>(graph.nodeNum) * graph.chip->liveCount());
  return std::max<long long>(1, plan.perfectSatWork / pairs);
}
