#!/usr/bin/env bash
# Builds everything and runs every test twice: once in a plain build, once built
# with AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/check-layers.sh

jobs=$(nproc)
run() {
  local dir=$1 optimise=$2; shift 2
  # No debug information: it doubles the build time, and CI has ten minutes.
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$optimise -DNDEBUG" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure
}

run build -O2
# -O1, as the sanitizers' own documentation suggests: it finds the same faults and
# compiles in less time.
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  run build-asan -O1 -DSONVIRA_SANITIZE=ON -DSONVIRA_BENCHMARKS=OFF
