// gridswap: maps a quantum circuit onto a nearest-neighbour grid by inserting SWAP gates.
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "driver/Driver.h"
#include "driver/Workers.h"

int main(int argc, char** argv) {
  DriverOptions options;
  std::string error;
  // The worker count is settled before anything is read.
  if (!workersFromSetting(std::getenv("GRIDSWAP_THREADS"), options.workers, error)) {
    std::cerr << error << std::endl;
    return 1;
  }
  if (isatty(STDERR_FILENO)) options.progress = &std::cerr;
  // Starting a thread and waiting for it costs about a millisecond, several on a busy machine:
  // threads are started only when the trials still to run would take 20 ms or more.
  options.minParallelSeconds = 0.02;
  return runGridswap(argc, argv, std::cout, options);
}
