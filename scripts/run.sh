#!/usr/bin/env bash
# Builds the desktop program and starts it on the bundled scenario.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=RelWithDebInfo > build-release.cmake.log 2>&1 || { cat build-release.cmake.log; exit 1; }
cmake --build build-release -j "$(nproc 2>/dev/null || echo 2)" --target drovan drovan-batch
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: starting on a virtual one (xvfb-run); nothing will be visible." >&2
  exec xvfb-run -a -s "-screen 0 1300x1024x24" build-release/drovan
fi
# The program reads "Rules & Scenarios/logic.txt" from the working directory.
exec build-release/drovan
