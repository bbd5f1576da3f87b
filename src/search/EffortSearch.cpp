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
  const std::size_t narrow = settings.size();  // the settings every start is routed with
  for (int w : plan.wideWindows)
    settings.push_back({w, Weighting::kEven});
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
    for (std::size_t w = 0; w < narrow; ++w) {
      for (std::size_t d = 0; d < directions; ++d) {
        const bool defaultTrial = s < greedy && w == 0 && d == 0;
        if (!defaultTrial && jobs.size() < firstCap) jobs.push_back({s, w, d == 1});
      }
    }
  }
  // In two batches, the search's own starts first: nothing beats a mapping without SWAPs, so
  // the search ends as soon as it has one.
  const std::size_t firstBatch =
      std::min(jobs.size(), routed.size() + extras * narrow * directions);
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

  // The wide windows from the distinct starts of the best routings so far. Their candidates
  // are kept apart (wideBest) until the beam, so that every other step runs as without them.
  const std::size_t firstEnd = routed.size();
  Candidate wideBest;
  if (best.costs.first > 0 && narrow < settings.size() && plan.wideStarts > 0) {
    std::vector<std::size_t> byBest(firstEnd);
    for (std::size_t i = 0; i < firstEnd; ++i)
      byBest[i] = i;
    std::stable_sort(byBest.begin(), byBest.end(), [&](std::size_t a, std::size_t b) {
      return better(routed[a], routed[b], true);
    });
    std::vector<char> taken(starts.size(), 0);
    int chosen = 0;
    for (std::size_t i : byBest) {
      const std::size_t s = jobs[i].start;
      if (chosen == plan.wideStarts) break;
      if (taken[s]) continue;
      taken[s] = 1;
      ++chosen;
      for (std::size_t w = narrow; w < settings.size(); ++w) {
        for (std::size_t d = 0; d < directions; ++d)
          jobs.push_back({s, w, d == 1});
      }
    }
    routed.resize(jobs.size());
    ends.resize(jobs.size());
    runTasks(jobs.size() - firstEnd, threads, cancel, [&](std::size_t k, std::size_t worker) {
      const std::size_t i = firstEnd + k;
      routed[i] = routeOnce(worker, starts[jobs[i].start], settings[jobs[i].window],
                            jobs[i].backwards, static_cast<long>(i), &ends[i]);
    });
    for (std::size_t i = firstEnd; i < routed.size(); ++i) {
      if (better(routed[i], wideBest, plan.tieOnRestoring)) wideBest = routed[i];
    }
  }
  result.routings += static_cast<long>(routed.size());
  result.phaseU = best.costs.first;

  // Refinement of the best candidates, the best of each window in turn so that every window
  // gets its share: the placement a routing ends in starts a routing in the other direction,
  // whose end starts the next, and so on while rounds (two routings each) still improve.
  std::vector<std::size_t> order(firstEnd);
  for (std::size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return better(routed[a], routed[b], true);
  });
  std::vector<int> seen(settings.size(), 0);
  std::vector<int> rankOf(firstEnd);
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
  // The wide windows' best are refined besides.
  std::vector<std::size_t> picked(order.begin(), order.begin() + refine);
  if (refine > 0) {
    std::vector<std::size_t> wide;
    for (std::size_t i = firstEnd; i < routed.size(); ++i)
      wide.push_back(i);
    std::stable_sort(wide.begin(), wide.end(), [&](std::size_t a, std::size_t b) {
      return better(routed[a], routed[b], true);
    });
    wide.resize(std::min<std::size_t>(wide.size(), std::max(plan.wideRefine, 0)));
    picked.insert(picked.end(), wide.begin(), wide.end());
  }
  const long base = static_cast<long>(routed.size());
  const int rounds = std::max(plan.rounds, 0);
  std::vector<Candidate> refined(picked.size());
  std::vector<long> runs(picked.size(), 0);
  runTasks(picked.size(), threads, cancel, [&](std::size_t t, std::size_t worker) {
    const Candidate& seed = routed[picked[t]];
    Candidate& mine = refined[t];
    mine = seed;
    const LookSetting look{seed.window, seed.weighting};
    AllocMatrix from = ends[picked[t]];
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
  for (std::size_t t = 0; t < picked.size(); ++t) {
    result.routings += runs[t];
    Candidate& kept = t < refine ? best : wideBest;
    if (better(refined[t], kept, plan.tieOnRestoring)) kept = refined[t];
  }
  result.refinedU = best.costs.first;

  // Annealing: from the best forward candidate, and from the best forward routing of each band
  // start, whose shape suits annealing even when its own routing is not yet cheap.
  std::vector<const Candidate*> seeds;
  const Candidate* bestForward = nullptr;
  const Candidate* wideForward = nullptr;  // the same of the wide windows
  for (std::size_t i = 0; i < routed.size() + refined.size(); ++i) {
    const bool wide = i < routed.size() ? i >= firstEnd : i - routed.size() >= refine;
    const Candidate& c = i < routed.size() ? routed[i] : refined[i - routed.size()];
    const Candidate*& kept = wide ? wideForward : bestForward;
    if (!c.reversed && (!kept || better(c, *kept, plan.tieOnRestoring))) kept = &c;
  }
  if (bestForward) seeds.push_back(bestForward);
  for (std::size_t s : bandStarts) {
    const Candidate* bandBest = nullptr;
    for (std::size_t i = 0; i < firstEnd; ++i) {
      if (jobs[i].start == s && !routed[i].reversed &&
          (!bandBest || better(routed[i], *bandBest, plan.tieOnRestoring)))
        bandBest = &routed[i];
    }
    if (bandBest) seeds.push_back(bandBest);
  }
  if (seeds.size() > static_cast<std::size_t>(std::max(plan.annealRuns, 0)))
    seeds.resize(std::max(plan.annealRuns, 0));
  if (best.costs.first == 0) seeds.clear();
  // The wide windows' best forward candidate anneals too, with a share of its own.
  const std::size_t shares = std::max<std::size_t>(seeds.size(), 1);
  if (!seeds.empty() && wideForward) seeds.push_back(wideForward);
  // A routing's work grows with the SWAPs it inserts (each searches meeting sites), so the
  // annealing budget counts a routing as its gates plus four per SWAP of the run's start.
  long long annealWork = plan.annealFactor * std::max(graph.qubitNum, 1) * gates;
  annealWork = std::max(annealWork, plan.annealFloor);
  if (plan.annealCeiling > 0) annealWork = std::min(annealWork, plan.annealCeiling);
  long next = base + 2 * static_cast<long>(picked.size()) * rounds;
  // One pass of annealing runs from every seed, sharing `work`; the candidates it finds are
  // numbered on from `next`.
  auto annealPass = [&](long long work) {
    std::vector<long> steps(seeds.size());
    std::vector<long> firstIndex(seeds.size());
    for (std::size_t k = 0; k < seeds.size(); ++k) {
      const long long perRouting = gates + 4LL * seeds[k]->costs.first;
      steps[k] = static_cast<long>(work / static_cast<long long>(shares) / perRouting);
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
      Candidate& kept = seeds[k] == wideForward ? wideBest : best;
      if (better(annealed[k], kept, plan.tieOnRestoring)) kept = annealed[k];
    }
  };
  annealPass(annealWork);
  // The beam starts from the best without the wide windows and, when theirs is better, from
  // theirs as well.
  std::vector<Candidate> beamFrom{best};
  if (better(wideBest, best, plan.tieOnRestoring)) beamFrom.push_back(wideBest);
  // The long pass cools more slowly from the same seeds, where the ceiling left it room; the
  // beam starts from its best too when that is better, so that it only adds.
  long long longWork = plan.annealLongFactor * std::max(graph.qubitNum, 1) * gates;
  if (plan.annealCeiling > 0) longWork = std::min(longWork, plan.annealCeiling);
  if (longWork > annealWork && best.costs.first > 0 && wideBest.costs.first != 0)
    annealPass(longWork);
  if (better(wideBest, best, plan.tieOnRestoring)) best = wideBest;
  if (better(best, beamFrom.back(), plan.tieOnRestoring)) beamFrom.push_back(best);

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

  // The beam router from those forward starts, once per price of the gates ahead.
  const std::size_t looks = plan.beamLooks.size();
  if (given && plan.beamRounds > 0 && looks > 0) {
    std::vector<AllocMatrix> froms;
    for (const Candidate& c : beamFrom) {
      froms.push_back(c.start);
      if (c.reversed) {
        RouteOutput none;
        routeOn(0, c.start, backward, {c.window, c.weighting}, none, &froms.back());
      }
    }
    BeamPlan beam = plan.beam;
    beam.width = static_cast<int>(std::min<long long>(beam.width, plan.beamWork / gates));
    std::vector<BeamMapping> beamed(beam.width >= plan.beamNarrowest ? froms.size() * looks : 0);
    runTasks(beamed.size(), threads, cancel, [&](std::size_t k, std::size_t) {
      BeamPlan mine = beam;
      mine.lookWeight = plan.beamLooks[k % looks];
      beamed[k] = beamRefine(graph, froms[k / looks], mine, plan.beamRounds);
    });
    for (std::size_t k = 0; k < beamed.size(); ++k) {
      if (beamed[k].found)
        offer(Router::kBeam, beamed[k].costs, next + static_cast<long>(k), beamed[k].start,
              beamed[k].swaps);
    }
  }
  next += 3 * static_cast<long>(looks);

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
