#include "driver/TrialRunner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <new>
#include <system_error>
#include <thread>

#include "driver/Cancel.h"

namespace {

// What the workers share: the next seed to hand out and whether to stop handing out.
struct Dispenser {
  std::atomic<int> next{0};
  std::atomic<bool> stop{false};
  const std::atomic<bool>* cancel = nullptr;  // the caller's flag to stop handing out
};

// One worker on workspace `ws`: takes seeds until none is left (or, with `once`, one seed) or
// a trial has failed, writing each result into its own slot.
void work(const CircuitModel& model, int window, const TrialSteps& steps, TrialWorkspace& ws,
          std::vector<TrialResult>& results, Dispenser& dispenser, Progress& progress,
          bool once = false) {
  const int total = static_cast<int>(results.size());
  while (!dispenser.stop.load() && !cancelled(dispenser.cancel)) {
    const int seed = dispenser.next.fetch_add(1);
    if (seed >= total) break;
    TrialResult& result = results[seed];
    result = runTrial(model, ws, seed, window, steps);
    if (result.status != TrialStatus::kDone) {
      dispenser.stop.store(true);
      break;
    }
    progress.trialDone(result.costU);
    if (once) break;
  }
}

}  // namespace

std::vector<TrialResult> runAllTrials(const CircuitModel& model, int window, int workers,
                                      const TrialSteps& steps, Progress& progress,
                                      double minParallelSeconds, const std::atomic<bool>* cancel) {
  const int total = std::max(model.qubitNum, 0);
  TrialResult notRun;
  notRun.status = TrialStatus::kNotRun;
  std::vector<TrialResult> results(total, notRun);
  Dispenser dispenser;
  dispenser.cancel = cancel;
  TrialWorkspace ws(model);
  int helpers = std::max(std::min(workers, total) - 1, 0);
  if (helpers > 0 && minParallelSeconds > 0) {
    // The first trial, timed, tells whether the others are worth a thread.
    const auto start = std::chrono::steady_clock::now();
    work(model, window, steps, ws, results, dispenser, progress, true);
    const double first =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (first * (total - 1) < minParallelSeconds) helpers = 0;
  }
  std::vector<std::thread> threads;
  for (int i = 0; i < helpers; ++i) {
    try {
      threads.emplace_back([&] {
        try {
          TrialWorkspace own(model);
          work(model, window, steps, own, results, dispenser, progress);
        } catch (const std::bad_alloc&) {
          // Only its workspace can fail here (trials catch their own): the others take its
          // seeds.
        }
      });
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the workers started do the work
    }
  }
  // The calling thread is a worker too; its failure to find memory ends the run as it would
  // without threads, after the others have stopped.
  try {
    work(model, window, steps, ws, results, dispenser, progress);
  } catch (...) {
    dispenser.stop.store(true);
    for (std::thread& t : threads)
      t.join();
    throw;
  }
  for (std::thread& t : threads)
    t.join();
  if (cancelled(cancel)) throw Cancelled();
  return results;
}
