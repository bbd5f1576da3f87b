#!/usr/bin/env bash
# Builds gridswap and runs every test through CTest.
# With --sanitize the same suite is built and run with AddressSanitizer and
# UndefinedBehaviorSanitizer, and any report fails the run.
# With --tsan the tests that start threads are built and run with ThreadSanitizer, and any
# report fails the run. The Python package's tests run in the normal build only: a sanitized
# build cannot be loaded into a normal interpreter.
set -euo pipefail
cd "$(dirname "$0")"
usage="Usage: ./test.sh [--sanitize | --tsan]"
case "${1:-}" in
  "" | --sanitize | --tsan) ;;
  --help | -h) echo "$usage"; exit 0 ;;
  *) echo "$usage (unknown option $1)" >&2; exit 2 ;;
esac
# The drawing tests read pictures with xmllint and render them with rsvg-convert and pngtopnm.
scripts/deps.sh libxml2-utils librsvg2-bin netpbm
if [ "${1:-}" = "--sanitize" ]; then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  scripts/build.sh build-sanitize -DCMAKE_BUILD_TYPE=Debug -DGRIDSWAP_SANITIZE=ON
  ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)"
elif [ "${1:-}" = "--tsan" ]; then
  export TSAN_OPTIONS=halt_on_error=1:abort_on_error=1
  if [ ! -f build-tsan/CMakeCache.txt ]; then
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRIDSWAP_TSAN=ON >/dev/null
  fi
  cmake --build build-tsan -j "$(nproc)" --target parallel_tests effort_tests
  ctest --test-dir build-tsan --output-on-failure -j "$(nproc)" -L threads
else
  scripts/build.sh build
  # The Python package, built into a virtual environment in build/ for its pytest suite.
  [ -n "${GRIDSWAP_SKIP_BUILD:-}" ] || scripts/python_env.sh build
  ctest --test-dir build --output-on-failure -j "$(nproc)"
fi
