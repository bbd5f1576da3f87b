#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <ostream>

// The progress line of a long run: trials done of the total, the best costU so far, the time
// elapsed and an estimate of the time left, rewritten in place on a terminal once the trials
// have run for about a second, and cleared at the end. Safe to call from several threads.
class Progress {
 public:
  // Writes to `out` (a terminal), or nowhere when out is null.
  Progress(std::ostream* out, int total);
  // One more trial has finished with routing cost costU.
  void trialDone(int costU);
  // Clears the line, when one was shown.
  void finish();

 private:
  typedef std::chrono::steady_clock Clock;
  std::ostream* out_;
  int total_;
  int done_ = 0;
  int bestU_ = 2147483647;
  Clock::time_point start_;
  Clock::time_point lastShown_;
  std::size_t shownLength_ = 0;  // length of the line on screen, 0 when none
  std::mutex mutex_;
};
