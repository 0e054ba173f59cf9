#!/usr/bin/env bash
# Installs what is missing, builds Brindle and runs every test: once in a
# normal build, once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
jobs=$(nproc)

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

echo "== tests =="
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== tests under sanitizers =="
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DBRINDLE_SANITIZE=ON

# Each fuzzer for a bounded time from its seed corpus; a finding fails the run.
echo "== fuzzers =="
if command -v clang++ >/dev/null; then
  cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
    -DBRINDLE_FUZZ=ON >/dev/null
  cmake --build build-fuzz -j"$jobs" --target brindle_fuzzers
  seconds=${BRINDLE_FUZZ_SECONDS:-20}
  for corpus in fuzz/corpus/*/; do
    name=$(basename "$corpus")
    work=build-fuzz/corpus-$name
    mkdir -p "$work" build-fuzz/findings
    QT_QPA_PLATFORM=offscreen build-fuzz/fuzz/fuzz_$name -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix=build-fuzz/findings/$name- "$work" "$corpus" 2>&1 | grep -E "stat::number_of_executed_units|ERROR|SUMMARY" \
      | sed "s/^/$name: /"
    [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "fuzzer $name found a fault"; exit 1; }
  done
else
  echo "clang++ missing: fuzzers not run"
fi
