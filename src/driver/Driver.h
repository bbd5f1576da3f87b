#pragma once

#include <ostream>

#include "driver/Trials.h"

// How runGridswap runs its trials.
struct DriverOptions {
  int workers = 1;                    // trial workers; 1 runs them on the calling thread
  std::ostream* progress = nullptr;   // a terminal for the progress line, or nothing
  const TrialSteps* steps = nullptr;  // the trial's steps; null for fastSteps()
  // Threads are started only when the trials after the first would take this long at its pace
  // (see runAllTrials); 0 starts them whenever there is more than one worker.
  double minParallelSeconds = 0.0;
};

// Runs gridswap on its command line: reads the circuit, tries one placement per declared qubit,
// routes each, writes the best trial's mapped circuit and layout, and writes the report to
// `out`. A fatal condition writes its one line to `out` instead. Returns the exit status.
int runGridswap(int argc, char** argv, std::ostream& out, const DriverOptions& options);

// The same on standard output, with one worker.
int runGridswap(int argc, char** argv);
