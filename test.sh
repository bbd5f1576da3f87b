#!/usr/bin/env bash
# Builds gridswap and runs every test through CTest.
# With --sanitize the same suite is built and run with AddressSanitizer and
# UndefinedBehaviorSanitizer, and any report fails the run.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
if [ "${1:-}" = "--sanitize" ]; then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  scripts/build.sh build-sanitize -DCMAKE_BUILD_TYPE=Debug -DGRIDSWAP_SANITIZE=ON
  ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)"
else
  scripts/build.sh build
  ctest --test-dir build --output-on-failure -j "$(nproc)"
fi
