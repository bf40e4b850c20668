#!/usr/bin/env bash
# Fuzzes the rules loader, the rules editor's check, the pattern reader and the snapshot reader with libFuzzer (clang, with
# AddressSanitizer and UndefinedBehaviorSanitizer) for a bounded time each, each also through the
# desktop program's own open path (Load in "Main" and in a "Meta" window, Open World, which
# `drovan-batch resume` shares), where a refused file must change nothing.
# Every sanitizer report stops its target at once, and any finding makes this
# script exit 1; the input that caused it is left as build-fuzz/crash-* (or
# leak-*, timeout-*) and the report in build-fuzz/TARGET.log.
# Needs clang++ with its sanitizer and libFuzzer runtimes
# (Debian: apt-get install clang libclang-rt-14-dev, or the pair of another version).
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 600)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is needed (apt-get install clang libclang-rt-14-dev)"; exit 1; }
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' > "$probe/p.cpp"
clang++ -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" 2>"$probe/err" || {
  cat "$probe/err"
  echo "fuzz.sh: clang++ cannot link libFuzzer with the sanitizers; install the runtimes of your clang"
  echo "         (Debian 12: apt-get install libclang-rt-14-dev)"
  exit 1
}
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDROVAN_FUZZ=ON -DDROVAN_GUI=OFF > build-fuzz.cmake.log 2>&1 || { cat build-fuzz.cmake.log; exit 1; }
cmake --build build-fuzz -j "$(nproc 2>/dev/null || echo 2)" --target RulesLoaderFuzz RulesCheckFuzz NetworkReaderFuzz SnapshotReaderFuzz drovan-batch
mkdir -p fuzz-corpus/rules fuzz-corpus/network
cp "Rules & Scenarios"/*.txt fuzz-corpus/rules/ 2>/dev/null || true
cp "Rules & Scenarios"/meta*.txt fuzz-corpus/network/ 2>/dev/null || true
cp tests/batch/golden/*.txt fuzz-corpus/rules/ 2>/dev/null || true
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=halt_on_error=1
status=0
run() {
  local target=$1 corpus=$2 maxlen=$3 log=build-fuzz/$1.log
  echo "=== $target for ${seconds}s (log: $log)"
  local rc=0
  (cd build-fuzz && "./$target" -max_total_time="$seconds" -max_len="$maxlen" -timeout=10 -print_final_stats=1 \
     -artifact_prefix="./" "../$corpus") > "$log" 2>&1 || rc=$?
  # A report that somehow let the run go on still counts as a finding.
  if [ "$rc" -ne 0 ] || grep -qE "runtime error:|ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)" "$log"; then
    echo "FINDING in $target (exit $rc):"
    grep -E "runtime error:|ERROR:|SUMMARY:|Test unit written" "$log" | head -20
    status=1
  else
    grep -E "^Done|stat::number_of_executed_units" "$log" | tail -1
  fi
}
run RulesLoaderFuzz fuzz-corpus/rules 65536
run RulesCheckFuzz fuzz-corpus/rules 65536
run NetworkReaderFuzz fuzz-corpus/network 4096
mkdir -p fuzz-corpus/snapshot
build-fuzz/drovan-batch run "Rules & Scenarios/donuts.txt" --steps 20 --snapshot fuzz-corpus/snapshot/donuts.snap >/dev/null
cp tests/io/data/*.snap fuzz-corpus/snapshot/
run SnapshotReaderFuzz fuzz-corpus/snapshot 1048576
exit $status
