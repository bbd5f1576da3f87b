#pragma once

#include <vector>

#include <atomic>

#include "driver/Progress.h"
#include "driver/Trials.h"
#include "model/CircuitModel.h"

// Runs the trials of seeds 0 .. model.qubitNum - 1 on `workers` threads, the calling thread
// among them (with 1 worker, or 1 seed, no thread is started), each with a workspace of its
// own; seeds are handed out one at a time in increasing order as workers become free. Returns
// the results in seed order, which do not depend on the number of workers. Once a trial fails
// no further seed is handed out; the seeds never handed out are kNotRun, and every seed before
// the failed one has run. With minParallelSeconds > 0 the calling thread first runs seed 0
// alone and starts no thread when the other seeds would take less than that, at its pace: on a
// small circuit a thread costs more than it saves. When `cancel` is set, no further seed is
// handed out and, once every worker has stopped, Cancelled is thrown.
std::vector<TrialResult> runAllTrials(const CircuitModel& model, int window, int workers,
                                      const TrialSteps& steps, Progress& progress,
                                      double minParallelSeconds = 0.0,
                                      const std::atomic<bool>* cancel = nullptr);
