#!/usr/bin/env bash
# Builds the program and starts it on the bundled scenario.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=RelWithDebInfo > build-release.cmake.log 2>&1 || { cat build-release.cmake.log; exit 1; }
cmake --build build-release -j "$(nproc 2>/dev/null || echo 2)" --target drovan-batch
exec build-release/drovan-batch check "Rules & Scenarios/logic.txt" --listing
