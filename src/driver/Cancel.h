#pragma once

#include <atomic>
#include <stdexcept>

// A run that stopped because its caller set the cancellation flag it was given.
class Cancelled : public std::runtime_error {
 public:
  Cancelled() : std::runtime_error("Interrupted") {}
};

// True when a cancellation flag is given and set; the loops poll it between routings.
inline bool cancelled(const std::atomic<bool>* cancel) {
  return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}
