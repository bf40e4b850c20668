#!/usr/bin/env bash
# Fuzzes the rules loader and the pattern reader with libFuzzer (clang, with
# AddressSanitizer and UndefinedBehaviorSanitizer) for a bounded time each.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 600)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
command -v clang++ >/dev/null || { echo "clang++ is needed (apt-get install clang)"; exit 1; }
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDROVAN_FUZZ=ON -DDROVAN_GUI=OFF > build-fuzz.cmake.log 2>&1 || { cat build-fuzz.cmake.log; exit 1; }
cmake --build build-fuzz -j "$(nproc 2>/dev/null || echo 2)" --target RulesLoaderFuzz NetworkReaderFuzz SnapshotReaderFuzz drovan-batch
mkdir -p fuzz-corpus/rules fuzz-corpus/network
cp "Rules & Scenarios"/*.txt fuzz-corpus/rules/ 2>/dev/null || true
cp "Rules & Scenarios"/meta*.txt fuzz-corpus/network/ 2>/dev/null || true
cp tests/batch/golden/*.txt fuzz-corpus/rules/ 2>/dev/null || true
status=0
build-fuzz/RulesLoaderFuzz -max_total_time="$seconds" -max_len=65536 -timeout=10 fuzz-corpus/rules || status=1
build-fuzz/NetworkReaderFuzz -max_total_time="$seconds" -max_len=4096 -timeout=10 fuzz-corpus/network || status=1
mkdir -p fuzz-corpus/snapshot && build-fuzz/drovan-batch run "Rules & Scenarios/donuts.txt" --steps 20 --snapshot fuzz-corpus/snapshot/donuts.snap >/dev/null && build-fuzz/SnapshotReaderFuzz -max_total_time="$seconds" -max_len=1048576 -timeout=10 fuzz-corpus/snapshot || status=1
exit $status
