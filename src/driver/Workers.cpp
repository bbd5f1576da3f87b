#include "driver/Workers.h"

#include <sched.h>

#include <cstdlib>
#include <cstring>

int availableCpus() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  const int count = CPU_COUNT(&set);
  return count > 0 ? count : 1;
}

bool workersFromSetting(const char* setting, int& workers, std::string& error) {
  if (setting == nullptr) {
    workers = availableCpus();
    return true;
  }
  // Digits only, no sign, no spaces, and not so many that the value could overflow.
  const std::size_t length = std::strlen(setting);
  bool digits = length > 0 && length <= 9;
  for (std::size_t i = 0; digits && i < length; ++i)
    digits = setting[i] >= '0' && setting[i] <= '9';
  const long value = digits ? std::strtol(setting, nullptr, 10) : 0;
  if (value < 1 || value > kMaxWorkers) {
    error = "Invalid GRIDSWAP_THREADS=\"" + std::string(setting) +
            "\": the number of worker threads must be a whole number from 1 to " +
            std::to_string(kMaxWorkers);
    return false;
  }
  workers = static_cast<int>(value);
  return true;
}
