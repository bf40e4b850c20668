#!/usr/bin/env bash
# How a sweep scales with cores: 16 runs of about equal length (the bench's
# busy world, each seed a run) with --jobs 1 and then --jobs 2; prints the
# wall and processor times, the speed-up and each worker's peak memory.
#   bench/sweep-scaling.sh [DROVAN_BATCH] [STEPS]
# Run it on a quiet machine: another process on a core stretches the wall time.
set -euo pipefail
batch=$(realpath "${1:-build-release/drovan-batch}")
steps=${2:-1000}
work=$(mktemp -d /tmp/sweep-scaling.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The busy world as a rules file: its 500 nodes and settings. Its nodes
# neither decay nor age (the listing does not say the latter), so every run
# keeps its size.
"$batch" bench --scenario busy --steps 1 --save busy.txt > /dev/null
echo "Amber node ages at 0 ; Teal node ages at 0 ; Plum node ages at 0" >> busy.txt

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
declare -A wall
for jobs in 1 2; do
    TIMEFORMAT="%R %U %S"
    { time "$batch" sweep busy.txt --seeds 1..16 --steps "$steps" --every 100 --jobs "$jobs" --out "j$jobs" \
        2> "sweep$jobs.log"; } 2> "time$jobs"
    read -r real user sys < "time$jobs"
    wall[$jobs]=$real
    report=$(grep '^sweep: 16 runs' "sweep$jobs.log")
    printf -- '--jobs %s: %6.2f s wall, %6.2f s processor (%.2f cores busy); %s\n' "$jobs" "$real" \
        "$(echo "$user + $sys" | bc)" "$(echo "($user + $sys) / $real" | bc -l)" "${report#*; }"
done
cmp -s j1/summary.csv j2/summary.csv || { echo "the two sweeps' summaries differ" >&2; exit 1; }
printf 'speed-up: %.2f\n' "$(echo "${wall[1]} / ${wall[2]}" | bc -l)"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
