#!/usr/bin/env bash
# Instructions per step of the bench worlds, counted by valgrind's callgrind
# over the world steps only (building the world is left out). Unlike times on
# a shared machine the count is the same on every run, so it judges a change
# of a few per cent that timings cannot; it says nothing of waiting on memory.
#   scripts/instructions.sh [BINARY] [STEPS] [WORLD...]
#     (defaults: build-release/drovan-batch, 100 measured steps, small busy full meta)
# With DROVAN_PROFILE=DIR it keeps each world's profile in DIR for
# callgrind_annotate (per function, or per line with --auto=yes).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build-release/drovan-batch}
steps=${2:-100}
shift $(($# < 2 ? $# : 2))
worlds=${*:-small busy full meta}
command -v valgrind > /dev/null || { echo "needs valgrind (apt-get install valgrind)"; exit 1; }
[ -x "$bin" ] || { echo "no binary at $bin (build it first)"; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for w in $worlds; do
    profile=$out/$w.callgrind
    valgrind --tool=callgrind --callgrind-out-file="$profile" --collect-atstart=no \
        --toggle-collect='tickWorld(float)' "$bin" bench --scenario "$w" --steps "$steps" > /dev/null 2> "$out/log" ||
        { cat "$out/log"; exit 1; }
    total=$(callgrind_annotate "$profile" | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }')
    # The warm-up steps run through the same tick as the measured ones.
    warm=$(sed -n 's/.*kWarmUpSteps = \([0-9]*\);.*/\1/p' src/benchworlds/BenchScenarios.cpp)
    printf '%-12s %12d instructions per step\n' "$w" $((total / (steps + warm)))
    if [ -n "${DROVAN_PROFILE:-}" ]; then mkdir -p "$DROVAN_PROFILE" && cp "$profile" "$DROVAN_PROFILE/"; fi
done
