// The effort search: routes many starting placements with several windows, refines the best
// by routing the circuit forwards and backwards in turn, and keeps the cheapest mapping.
#include "search/EffortSearch.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "chip/Chip.h"
#include "driver/Cancel.h"
#include "routing/ExactRouter.h"
#include "routing/Routers.h"
#include "search/Anneal.h"
#include "search/BeamRefine.h"
#include "search/ReversedMapping.h"
#include "search/Starts.h"
#include "search/Walks.h"

namespace {

// Runs fn(i, worker) for i = 0 .. count - 1 on up to `threads` threads; each index runs
// exactly once, and `worker` (below `threads`) names the thread running it, so that each
// thread can keep state of its own. Once `cancel` is set no further index starts, and
// Cancelled is thrown when every thread has ended.
template <typename Fn>
void runTasks(std::size_t count, int threads, const std::atomic<bool>* cancel, Fn fn) {
  const std::size_t workers = std::min<std::size_t>(std::max(threads, 1), count);
  std::atomic<std::size_t> next{0};
  auto work = [&](std::size_t worker) {
    for (std::size_t i = next++; i < count && !cancelled(cancel); i = next++)
      fn(i, worker);
  };
  std::vector<std::thread> pool;
  for (std::size_t t = 1; t < workers; ++t)
    pool.emplace_back(work, t);
  work(0);
  for (std::thread& t : pool)
    t.join();
  if (cancelled(cancel)) throw Cancelled();
}

// One routed candidate: a starting placement with its window and costs.
struct Candidate {
  RouteCosts costs{2147483647, 2147483647};  // the largest int: no candidate
  long index = 2147483647;
  int window = 0;
  Weighting weighting = Weighting::kEven;
  bool reversed = false;  // a reversed routing from `start`, read backwards
  AllocMatrix start;      // where the forward routing starts, or the reversed one
};

// True when a is a better candidate than b.
bool better(const Candidate& a, const Candidate& b, bool tieOnRestoring) {
  if (a.costs.first != b.costs.first) return a.costs.first < b.costs.first;
  if (tieOnRestoring && a.costs.second != b.costs.second) return a.costs.second < b.costs.second;
  return a.index < b.index;
}

}  // namespace

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
    plan.rounds = 4;
    plan.patience = 1;
    plan.workFactor = 10;
    plan.workFloor = 200000;
    plan.perfectWork = 2000000;
    plan.perfectScale = 300;
    plan.perfectCeiling = 100000000;
    plan.prefixStart = true;
    plan.prefixWork = 2000000;
  } else {
    plan.gradedWindows = {6, 10, 16, 24};
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

SearchResult searchMapping(InterActGraph& graph, const SearchPlan& plan, int threads,
                           const std::atomic<bool>* cancel) {
  SearchResult result;
  // A placement under which every gate acts on a coupler needs no SWAP: it is the answer.
  const Chip& chip = *graph.chip;
  AllocMatrix nearly;  // the most qubits the search placed on couplers, when it found no more
  if (plan.perfectWork > 0 && graph.qubitNum > 0) {
    AllocMatrix perfect;
    result.embedSearched = true;
    result.embedding = embeddedPlacement(graph, chip, perfectBound(graph, plan), &perfect, &nearly,
                                         satConflicts(graph, plan));
    if (result.embedding == EmbedStatus::kFound) {
      RouteOutput none;
      const RouteCosts costs = routeWalk(graph, graph.workspace, perfect, forwardWalk(graph.lines),
                                         plan.windows[0], 0, none, nullptr, Weighting::kEven);
      if (costs.first == 0) {
        result.found = true;
        result.start = perfect;
        result.window = plan.windows[0];
        result.costs = costs;
        result.candidate = 0;
        result.starts = 1;
        result.routings = 1;
        return result;
      }
    }
  }
  // Starting placements, in a fixed order: the greedy ones of the default run first.
  std::vector<AllocMatrix> starts;
  std::vector<std::size_t> bandStarts;  // the band starts' positions in `starts`
  for (int seed = 0; seed < graph.qubitNum; ++seed)
    starts.push_back(greedyPlacement(graph, seed));
  if (plan.extraStarts && graph.qubitNum > 0) {
    const std::vector<int> chain = chainOrder(graph);
    if (!chain.empty()) starts.push_back(serpentinePlacement(graph, chain));
    // Depth-first snakes from the highest-ranked qubits.
    std::vector<Node> ranking = graph.nodes;
    std::stable_sort(ranking.begin(), ranking.end(),
                     [](const Node& a, const Node& b) { return b < a; });
    const int roots = std::min<int>(4, ranking.size());
    for (int r = 0; r < roots; ++r)
      starts.push_back(serpentinePlacement(graph, depthFirstOrder(graph, ranking[r].vertex)));
  }
  if (plan.extraStarts && plan.bandStarts && graph.qubitNum > 0) {
    const std::vector<int> used = firstUseOrder(graph);
    for (int band : {2, 3}) {
      bandStarts.push_back(starts.size());
      starts.push_back(bandPlacement(graph, used, band));
    }
  }
  if (plan.extraStarts && !nearly.empty()) starts.push_back(std::move(nearly));
  if (plan.extraStarts && plan.prefixStart && graph.qubitNum > 0) {
    AllocMatrix prefix = prefixPlacement(graph, chip, std::max(plan.prefixWork, 16LL));
    if (!prefix.empty()) starts.push_back(std::move(prefix));
  }
  for (int r = 0; r < plan.randomStarts; ++r)
    starts.push_back(randomPlacement(graph, 12345u + r));
  result.starts = static_cast<int>(starts.size());
  if (starts.empty()) return result;

  const bool reversible = plan.reversedCandidates && reversibleCircuit(graph.lines);
  const std::vector<CircuitLine> forward = forwardWalk(graph.lines);
  const std::vector<CircuitLine> backward = reversedWalk(graph.lines);
  // A short circuit moves the qubits little in one routing, so the refinement moves them
  // along the circuit repeated until it has about plan.settleGates gates per qubit.
  const long long wanted = plan.settleGates * std::max(graph.qubitNum, 1);
  const int repeat = static_cast<int>(std::min<long long>(
      8, std::max<long long>(1, (wanted + graph.gateNum - 1) / std::max(graph.gateNum, 1))));
  const std::vector<CircuitLine> forwardRepeated = repeatedWalk(forward, repeat);
  const std::vector<CircuitLine> backwardRepeated = repeatedWalk(backward, repeat);
  // One routing from `from`, forwards or backwards, as a candidate; `end` receives the
  // placement it ends in. A backward routing is a candidate only when it can be read back.
  // One silent routing of `walk` on a worker thread.
  // The look-ahead settings every start is routed with: the plain windows, then the graded.
  struct LookSetting {
    int window;
    Weighting weighting;
  };
  std::vector<LookSetting> settings;
  for (int w : plan.windows)
    settings.push_back({w, Weighting::kEven});
  for (int w : plan.gradedWindows)
    settings.push_back({w, Weighting::kGraded});
  std::vector<TrialWorkspace> workspaces;
  for (int t = 0; t < std::max(threads, 1); ++t)
    workspaces.emplace_back(graph);
  auto routeOn = [&](std::size_t worker, const AllocMatrix& from,
                     const std::vector<CircuitLine>& walk, const LookSetting& look,
                     RouteOutput& out, AllocMatrix* end) {
    return routeWalk(graph, workspaces[worker], from, walk, look.window, 0, out, end,
                     look.weighting);
  };
  auto routeOnce = [&](std::size_t worker, const AllocMatrix& from, const LookSetting& look,
                       bool backwards, long index, AllocMatrix* end) {
    Candidate c;
    c.index = index;
    c.window = look.window;
    c.weighting = look.weighting;
    c.reversed = backwards;
    c.start = from;
    RouteOutput out;
    if (!backwards) {
      c.costs = routeOn(worker, from, forward, look, out, end);
      return c;
    }
    std::vector<SwapList> gateSwaps;
    if (reversible) out.gateSwaps = &gateSwaps;
    routeOn(worker, from, backward, look, out, end);
    if (reversible)
      c.costs = swapCosts(forwardSwaps(gateSwaps), graph.grid.width, graph.grid.height);
    return c;
  };

  // The routings the search may make: a large circuit gets fewer, so that the routed gates stay
  // within the plan's work cap; six tenths go to first routings, the rest to refinement.
  const long long gates = std::max(graph.gateNum, 1);
  long long work = plan.workFactor * std::max(graph.qubitNum, 1) * gates;
  work = std::max(work, plan.workFloor);
  if (plan.workCeiling > 0) work = std::min(work, plan.workCeiling);
  const long long routingCap = plan.workFactor > 0 ? work / gates : (1LL << 40);
  struct Job {
    std::size_t start;
    std::size_t window;  // index into settings
    bool backwards;
  };
  // First the default run's trials: every greedy start with the first window, forwards.
  std::vector<Job> jobs;
  for (int seed = 0; seed < graph.qubitNum; ++seed)
    jobs.push_back({static_cast<std::size_t>(seed), 0, false});
  std::vector<Candidate> routed(jobs.size());
  std::vector<AllocMatrix> ends(jobs.size());
  runTasks(jobs.size(), threads, cancel, [&](std::size_t i, std::size_t worker) {
    routed[i] = routeOnce(worker, starts[i], settings[0], false, static_cast<long>(i), &ends[i]);
  });
  Candidate best;
  for (const Candidate& c : routed) {
    if (better(c, best, false)) best = c;
  }
  result.defaultU = best.costs.first;

  // Then every start with every window in both directions, as far as the cap allows: the
  // starts made for the search, the greedy ones from the cheapest, then the random ones.
  std::vector<std::size_t> startOrder;
  const std::size_t greedy = static_cast<std::size_t>(std::max(graph.qubitNum, 0));
  const std::size_t extras = starts.size() - greedy - plan.randomStarts;
  for (std::size_t k = 0; k < extras; ++k)
    startOrder.push_back(greedy + k);
  std::vector<std::size_t> byCost(greedy);
  for (std::size_t k = 0; k < greedy; ++k)
    byCost[k] = k;
  std::stable_sort(byCost.begin(), byCost.end(), [&](std::size_t a, std::size_t b) {
    return better(routed[a], routed[b], true);
  });
  startOrder.insert(startOrder.end(), byCost.begin(), byCost.end());
  for (std::size_t k = greedy + extras; k < starts.size(); ++k)
    startOrder.push_back(k);
  const std::size_t firstCap = static_cast<std::size_t>(
      std::max<long long>(routingCap * 6 / 10, static_cast<long long>(jobs.size())));
  const std::size_t directions = reversible ? 2 : 1;
  for (std::size_t s : startOrder) {
    for (std::size_t w = 0; w < settings.size(); ++w) {
      for (std::size_t d = 0; d < directions; ++d) {
        const bool defaultTrial = s < greedy && w == 0 && d == 0;
        if (!defaultTrial && jobs.size() < firstCap) jobs.push_back({s, w, d == 1});
      }
    }
  }
  // In two batches, the search's own starts first: nothing beats a mapping without SWAPs, so
  // the search ends as soon as it has one.
  const std::size_t firstBatch =
      std::min(jobs.size(), routed.size() + extras * settings.size() * directions);
  for (std::size_t batchEnd : {firstBatch, jobs.size()}) {
    const std::size_t done = routed.size();
    if (best.costs.first == 0 || batchEnd <= done) continue;
    routed.resize(batchEnd);
    ends.resize(batchEnd);
    runTasks(batchEnd - done, threads, cancel, [&](std::size_t k, std::size_t worker) {
      const std::size_t i = done + k;
      routed[i] = routeOnce(worker, starts[jobs[i].start], settings[jobs[i].window],
                            jobs[i].backwards, static_cast<long>(i), &ends[i]);
    });
    for (std::size_t i = done; i < batchEnd; ++i) {
      if (better(routed[i], best, plan.tieOnRestoring)) best = routed[i];
    }
  }
  result.routings += static_cast<long>(routed.size());
  result.phaseU = best.costs.first;

  // Refinement of the best candidates, the best of each window in turn so that every window
  // gets its share: the placement a routing ends in starts a routing in the other direction,
  // whose end starts the next, and so on while rounds (two routings each) still improve.
  std::vector<std::size_t> order(routed.size());
  for (std::size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return better(routed[a], routed[b], true);
  });
  std::vector<int> seen(settings.size(), 0);
  std::vector<int> rankOf(routed.size());
  for (std::size_t i : order)
    rankOf[i] = seen[jobs[i].window]++;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return rankOf[a] < rankOf[b]; });
  const long long refineCap =
      routingCap * 4 / 10 / std::max(2 * plan.rounds * (repeat > 1 ? 1 + repeat : 1), 1);
  const std::size_t refine =
      best.costs.first == 0
          ? 0
          : static_cast<std::size_t>(std::min<long long>(
                {static_cast<long long>(order.size()), std::max(plan.refineTop, 0),
                 std::max<long long>(refineCap, std::min(plan.refineTop, 4))}));
  const long base = static_cast<long>(routed.size());
  const int rounds = std::max(plan.rounds, 0);
  std::vector<Candidate> refined(refine);
  std::vector<long> runs(refine, 0);
  runTasks(refine, threads, cancel, [&](std::size_t t, std::size_t worker) {
    const Candidate& seed = routed[order[t]];
    Candidate& mine = refined[t];
    mine = seed;
    const LookSetting look{seed.window, seed.weighting};
    AllocMatrix from = ends[order[t]];
    bool backwards = !seed.reversed;
    int idle = 0;
    for (int r = 0; r < rounds && idle < plan.patience && !cancelled(cancel); ++r) {
      bool improved = false;
      for (int step = 0; step < 2; ++step) {
        const long index = base + 2 * (static_cast<long>(t) * rounds + r) + step;
        AllocMatrix end;
        Candidate c = routeOnce(worker, from, look, backwards, index, &end);
        if (repeat > 1) {
          RouteOutput none;
          routeOn(worker, from, backwards ? backwardRepeated : forwardRepeated, look, none, &end);
          ++runs[t];
        }
        ++runs[t];
        if (better(c, mine, plan.tieOnRestoring)) {
          mine = std::move(c);
          improved = true;
        }
        from = std::move(end);
        backwards = !backwards;
      }
      idle = improved ? 0 : idle + 1;
    }
  });
  for (std::size_t t = 0; t < refine; ++t) {
    result.routings += runs[t];
    if (better(refined[t], best, plan.tieOnRestoring)) best = refined[t];
  }
  result.refinedU = best.costs.first;

  // Annealing: from the best forward candidate, and from the best forward routing of each band
  // start, whose shape suits annealing even when its own routing is not yet cheap.
  std::vector<const Candidate*> seeds;
  const Candidate* bestForward = nullptr;
  for (const auto* list : {&routed, &refined}) {
    for (const Candidate& c : *list) {
      if (!c.reversed && (!bestForward || better(c, *bestForward, plan.tieOnRestoring)))
        bestForward = &c;
    }
  }
  if (bestForward) seeds.push_back(bestForward);
  for (std::size_t s : bandStarts) {
    const Candidate* bandBest = nullptr;
    for (std::size_t i = 0; i < routed.size(); ++i) {
      if (jobs[i].start == s && !routed[i].reversed &&
          (!bandBest || better(routed[i], *bandBest, plan.tieOnRestoring)))
        bandBest = &routed[i];
    }
    if (bandBest) seeds.push_back(bandBest);
  }
  if (seeds.size() > static_cast<std::size_t>(std::max(plan.annealRuns, 0)))
    seeds.resize(std::max(plan.annealRuns, 0));
  if (best.costs.first == 0) seeds.clear();
  // A routing's work grows with the SWAPs it inserts (each searches meeting sites), so the
  // annealing budget counts a routing as its gates plus four per SWAP of the run's start.
  long long annealWork = plan.annealFactor * std::max(graph.qubitNum, 1) * gates;
  annealWork = std::max(annealWork, plan.annealFloor);
  if (plan.annealCeiling > 0) annealWork = std::min(annealWork, plan.annealCeiling);
  std::vector<long> steps(seeds.size());
  std::vector<long> firstIndex(seeds.size());
  long next = base + 2 * static_cast<long>(refine) * rounds;
  for (std::size_t k = 0; k < seeds.size(); ++k) {
    const long long perRouting = gates + 4LL * seeds[k]->costs.first;
    steps[k] = static_cast<long>(annealWork / static_cast<long long>(seeds.size()) / perRouting);
    firstIndex[k] = next;
    next += steps[k];
  }
  std::vector<Candidate> annealed(seeds.size());
  std::vector<long> routings(seeds.size(), 0);
  runTasks(seeds.size(), threads, cancel, [&](std::size_t k, std::size_t worker) {
    AnnealPlan run;
    run.steps = steps[k];
    run.temperature = plan.annealTemperature;
    run.seed = 7919u + static_cast<std::uint32_t>(k);
    run.window = seeds[k]->window;
    run.weighting = seeds[k]->weighting;
    run.tieOnRestoring = plan.tieOnRestoring;
    run.cancel = cancel;
    const AnnealResult found =
        annealStart(graph, workspaces[worker], forward, seeds[k]->start, run);
    routings[k] = found.routings;
    Candidate& c = annealed[k];
    c = *seeds[k];
    if (found.step >= 0) {
      c.start = found.start;
      c.costs = found.costs;
      c.index = firstIndex[k] + found.step;
    }
  });
  for (std::size_t k = 0; k < annealed.size(); ++k) {
    result.routings += routings[k];
    if (better(annealed[k], best, plan.tieOnRestoring)) best = annealed[k];
  }

  // Mappings given as SWAPs before each gate, the beam's and the exact router's, replace the
  // best when they are better.
  Router router = Router::kWindowed;
  AllocMatrix givenStart;
  std::vector<SwapList> givenSwaps;
  auto offer = [&](Router by, const RouteCosts& costs, long index, AllocMatrix& start,
                   std::vector<SwapList>& swaps) {
    Candidate c;
    c.costs = costs;
    c.index = index;
    if (!better(c, best, plan.tieOnRestoring)) return;
    best = c;
    router = by;
    givenStart = std::move(start);
    givenSwaps = std::move(swaps);
  };
  const bool given = best.costs.first > 0 && reversibleCircuit(graph.lines);

  // The beam router from the best mapping's forward start, once per price of the gates ahead.
  if (given && plan.beamRounds > 0 && !plan.beamLooks.empty()) {
    AllocMatrix from = best.start;
    if (best.reversed) {
      RouteOutput none;
      routeOn(0, best.start, backward, {best.window, best.weighting}, none, &from);
    }
    BeamPlan beam = plan.beam;
    beam.width = static_cast<int>(std::min<long long>(beam.width, plan.beamWork / gates));
    std::vector<BeamMapping> beamed(beam.width >= plan.beamNarrowest ? plan.beamLooks.size() : 0);
    runTasks(beamed.size(), threads, cancel, [&](std::size_t k, std::size_t) {
      BeamPlan mine = beam;
      mine.lookWeight = plan.beamLooks[k];
      beamed[k] = beamRefine(graph, from, mine, plan.beamRounds);
    });
    for (std::size_t k = 0; k < beamed.size(); ++k) {
      if (beamed[k].found)
        offer(Router::kBeam, beamed[k].costs, next + static_cast<long>(k), beamed[k].start,
              beamed[k].swaps);
    }
  }
  next += static_cast<long>(plan.beamLooks.size());

  // The exact router on tiny circuits; the qubits without gates and the fillers take the free
  // sites in index order.
  if (given && plan.exactLimit > 0) {
    ExactRouting exact = routeExact(*graph.chip, LineView(forward), plan.exactLimit);
    if (exact.found) {
      std::vector<char> placed(graph.nodeNum, 0);
      for (const auto& row : exact.start) {
        for (int q : row)
          if (q >= 0) placed[q] = 1;
      }
      std::vector<int> rest;
      for (int q = 0; q < graph.nodeNum; ++q)
        if (!placed[q]) rest.push_back(q);
      std::size_t r = 0;
      for (auto& row : exact.start) {
        for (int& at : row)
          if (at == -1 && r < rest.size()) at = rest[r++];
      }
      offer(Router::kExact, swapCosts(exact.gateSwaps, graph.grid.width, graph.grid.height), next,
            exact.start, exact.gateSwaps);
    }
  }
  if (router != Router::kWindowed) {
    result.found = true;
    result.router = router;
    result.start = std::move(givenStart);
    result.swaps = std::move(givenSwaps);
    result.costs = best.costs;
    result.candidate = best.index;
    return result;
  }

  result.found = true;
  result.start = best.start;
  result.window = best.window;
  result.weighting = best.weighting;
  result.reversed = best.reversed;
  result.costs = best.costs;
  result.candidate = best.index;
  return result;
}
