#pragma once

#include <string>

// The most worker threads gridswap accepts; more is taken for a mistake.
constexpr int kMaxWorkers = 1024;

// CPUs in this process's affinity mask (at least 1): the default number of workers.
int availableCpus();

// The number of workers for the GRIDSWAP_THREADS setting `setting` (null when unset: then
// availableCpus()). False, with the one-line message in `error`, for a value that is not a
// whole number from 1 to kMaxWorkers.
bool workersFromSetting(const char* setting, int& workers, std::string& error);
