#!/usr/bin/env bash
# Long run of a bench world under AddressSanitizer and UndefinedBehaviorSanitizer:
# any memory fault or undefined behaviour stops it with a report. Too long for
# the test suite; run it by hand or nightly.
#   scripts/soak.sh [STEPS] [WORLD]     (defaults: 100000 busy)
set -euo pipefail
cd "$(dirname "$0")/.."
steps=${1:-100000}
world=${2:-busy}
dir=build-soak
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDROVAN_SANITIZE=ON -DDROVAN_GUI=OFF > "$dir.cmake.log" 2>&1 ||
  { cat "$dir.cmake.log"; exit 1; }
cmake --build "$dir" -j 2 --target drovan-batch
# The statistics every 10 steps show whether the world stayed alive.
"$dir/drovan-batch" bench --scenario "$world" --steps "$steps" --csv "$dir/soak-$world.csv"
echo "soak: $steps steps of $world ran clean; statistics in $dir/soak-$world.csv"
