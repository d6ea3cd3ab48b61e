#!/usr/bin/env bash
# Fuzzes the parsers and decoders with libFuzzer, SECONDS per target, one target
# after the other.
#
#   tools/fuzz.sh SECONDS
#
# Builds in build-fuzz with clang++, AddressSanitizer and UBSan (installing clang
# and its libFuzzer runtime from Debian when missing). Each target starts from its
# committed corpus, tests/fuzz/corpus/TARGET, and grows a working corpus in
# build-fuzz/corpus/TARGET that is never committed. An input that makes a target
# fail is saved into the committed corpus folder (crash-*, timeout-*, leak-*,
# oom-*): commit it, and every build's replay test (label fuzz-replay) runs it
# from then on. Exit status: 0 nothing found, 1 some target failed, 2 bad use.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ne 1 ] || ! [[ $1 =~ ^[1-9][0-9]*$ ]]; then
  echo "uso: tools/fuzz.sh SEGUNDOS_POR_OBJETIVO" >&2
  exit 2
fi
seconds=$1
build=build-fuzz

tools/install-deps.sh

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
updated=
apt_update() {
  [ -n "$updated" ] || $SUDO apt-get update -qq
  updated=1
}

# Links an empty target with the fuzzing engine: fails while the runtime is missing.
fuzzer_runtime_works() {
  local probe status=0
  probe=$(mktemp -d)
  printf '%s\n' 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' \
    >"$probe/probe.cpp"
  clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" 2>/dev/null ||
    status=1
  rm -rf "$probe"
  return $status
}

if ! command -v clang++ >/dev/null; then
  apt_update
  $SUDO apt-get install -y -qq --no-install-recommends clang
fi
if ! fuzzer_runtime_works; then
  apt_update
  major=$(clang++ -dumpversion | cut -d. -f1)
  # Debian 12 ships the runtime in libclang-rt-N-dev, older releases in libfuzzer-N-dev.
  for package in "libclang-rt-$major-dev" "libfuzzer-$major-dev"; do
    if apt-cache show "$package" >/dev/null 2>&1; then
      $SUDO apt-get install -y -qq --no-install-recommends "$package"
      break
    fi
  done
  fuzzer_runtime_works || { echo "fuzz: clang++ no puede enlazar con libFuzzer" >&2; exit 1; }
fi

# The libraries get coverage instrumentation too (fuzzer-no-link), or the engine
# would see nothing of the code it is meant to explore.
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link $sanitizers" \
  -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" \
  -DSONVIRA_FUZZ=ON -DSONVIRA_BENCHMARKS=OFF >/dev/null

targets=()
for dir in tests/fuzz/corpus/*/; do
  targets+=("$(basename "$dir")")
done
cmake --build "$build" -j 2 --target "${targets[@]/%/_fuzz}"

# Longest input per target: the saved port's file has a 4096-byte first-line
# limit to cross, and bell programs are worth a few lines more than the default.
max_len() {
  case $1 in
    port_settings | bell_program_scan) echo 8192 ;;
    *) echo 4096 ;;
  esac
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
summary=()
failed=0
for target in "${targets[@]}"; do
  seeds=tests/fuzz/corpus/$target
  work=$build/corpus/$target
  log=$build/logs/$target.log
  mkdir -p "$work" "$(dirname "$log")"
  before=$(find "$seeds" -maxdepth 1 -type f | wc -l)
  echo "fuzz: $target durante $seconds s (registro en $log)"
  status=0
  "$build/tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 \
    -max_len="$(max_len "$target")" -print_final_stats=1 -artifact_prefix="$seeds/" \
    "$work" "$seeds" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  found=$(($(find "$seeds" -maxdepth 1 -type f | wc -l) - before))
  if [ "$status" -ne 0 ]; then
    failed=1
    result="FALLO (estado $status, $found entrada(s) nueva(s) en $seeds)"
    grep -m 3 -E 'ERROR: |runtime error|deadly signal|Test unit written' "$log" | sed 's/^/    /' || true
  else
    result="sin fallos"
  fi
  summary+=("$(printf '%-20s %12s ejecuciones  corpus de trabajo %5s  %s' \
    "$target" "${runs:-?}" "$(find "$work" -type f | wc -l)" "$result")")
done

echo
printf '%s\n' "${summary[@]}"
exit "$failed"
