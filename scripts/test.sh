#!/usr/bin/env bash
# Builds everything twice (optimised, then with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-layout.sh
jobs=$(nproc 2>/dev/null || echo 2)
for kind in release sanitize; do
  dir=build-$kind
  opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
  [ "$kind" = sanitize ] && opts=(-DCMAKE_BUILD_TYPE=Debug -DDROVAN_SANITIZE=ON)
  echo "=== $kind build"
  cmake -S . -B "$dir" "${opts[@]}" > "$dir.cmake.log" 2>&1 || { cat "$dir.cmake.log"; exit 1; }
  cmake --build "$dir" -j "$jobs"
  echo "=== $kind tests"
  (cd "$dir" && ctest --output-on-failure -j "$jobs")
  # ctest lists a skipped test without its output: print why it skipped.
  grep -h '^SKIPPED: ' "$dir/Testing/Temporary/LastTest.log" || true
done
