#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a number of seconds, one process at a
# time: scripts/fuzz.sh SECONDS [TARGET...]   (circuit_fuzzer, check_fuzzer; both when none given)
# New inputs go to build-fuzz/corpus/TARGET, seeded from fuzz/corpus/ and examples/. A crash
# leaves its input in build-fuzz/ and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
usage="Usage: scripts/fuzz.sh SECONDS [TARGET...]"
if [ "${1:-}" = "--help" ] || [ "${1:-}" = "-h" ]; then
  echo "$usage"
  echo "Runs each libFuzzer target (circuit_fuzzer, check_fuzzer; both when none given) for SECONDS."
  exit 0
fi
# Wrong arguments are refused before anything is installed or built.
if ! [[ "${1:-}" =~ ^[1-9][0-9]*$ ]]; then
  echo "$usage (SECONDS must be a whole number from 1 up, not \"${1:-}\")" >&2
  exit 2
fi
seconds=$1
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(circuit_fuzzer check_fuzzer)
for t in "${targets[@]}"; do
  case $t in
    circuit_fuzzer | check_fuzzer) ;;
    *) echo "$usage (unknown target $t)" >&2; exit 2 ;;
  esac
done
scripts/deps.sh clang libclang-rt-14-dev
if [ ! -f build-fuzz/CMakeCache.txt ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGRIDSWAP_FUZZ=ON -DGRIDSWAP_TESTS=OFF >/dev/null
fi
cmake --build build-fuzz -j 2 --target "${targets[@]}"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for t in "${targets[@]}"; do
  name=${t%_fuzzer}
  seeds=(fuzz/corpus/"$name")
  [ "$t" = circuit_fuzzer ] && seeds+=(examples)
  mkdir -p build-fuzz/corpus/"$t"
  echo "== $t for $seconds s"
  (cd build-fuzz && ./"$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -dict=../fuzz/"$name".dict corpus/"$t" "${seeds[@]/#/../}")
done
