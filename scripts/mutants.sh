#!/usr/bin/env bash
# Puts one fault at a time into a scratch copy of the tree, rebuilds it
# incrementally, runs the tests and says whether a test failed (killed) or
# not (survived); the kill rate comes last. The worktree is never touched, so
# an interrupted run leaves no fault behind.
#   scripts/mutants.sh [LIST]                   the faults of a list (default scripts/mutants.txt)
#   scripts/mutants.sh --sample N [--seed S]    N faults drawn at random from every file under src/
# A sample's seed (chosen at run time when not given) is printed, and its
# list is kept in the scratch folder: the same seed draws the same faults from
# the same tree. scripts/mutants.py draws them; see its head for the operators.
# Scratch folder: $DROVAN_MUTANTS_DIR, default /tmp/drovan-mutants.
#
# Only the optimised build is tested (without debug information; the sanitizer
# build is skipped for speed). A fault that does not build, or leaves every
# object file it touches as it was, is counted apart from the kill rate. A
# fault runs the test suite (stopping at its first failure, two shards at
# once); a fault in src/app or src/render runs the desktop program's tests
# (the window tests and the end-to-end run) instead, and a fault that survives
# the suite runs them too. A run that takes five times as long as the
# unchanged tree's counts as failed (a hang).
# It is slow (a build and a test run per fault): a tool for developers, not CI.
set -u
# The whole script is read before it runs, so editing it meanwhile is safe.
{
top=$(cd "$(dirname "$0")/.." && pwd)
helper=$top/scripts/mutants.py
list= count= seed=
while [ $# -gt 0 ]; do
    case "$1" in
    --sample) count=${2:?--sample needs a number}; shift 2 ;;
    --seed) seed=${2:?--seed needs a number}; shift 2 ;;
    -h | --help) awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"; exit 0 ;;
    -*) echo "unknown option $1 (try --help)" >&2; exit 2 ;;
    *) list=$1; shift ;;
    esac
done
[ -n "$seed" ] && [ -z "$count" ] && { echo "--seed goes with --sample N" >&2; exit 2; }
case "$count$seed" in *[!0-9]*) echo "--sample and --seed take whole numbers" >&2; exit 2 ;; esac
scratch=${DROVAN_MUTANTS_DIR:-/tmp/drovan-mutants}
tree=$scratch/tree build=$scratch/build log=$scratch/log
mkdir -p "$tree"
shards=${DROVAN_MUTANTS_SHARDS:-2}
began=$(date +%s)
loads=() load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)

# Bring the scratch tree to the worktree's files (tracked and new), copying
# only what differs so the scratch build stays incremental.
(cd "$top" && git ls-files -co --exclude-standard -z) | python3 -c '
import os, sys, shutil, filecmp
top, tree = sys.argv[1], sys.argv[2]
keep = set(p for p in sys.stdin.read().split("\0") if p)
for p in keep:
    src, dst = os.path.join(top, p), os.path.join(tree, p)
    if os.path.isfile(src) and not (os.path.isfile(dst) and filecmp.cmp(src, dst, shallow=False)):
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        shutil.copy(src, dst)  # a fresh mtime, so the build sees every change
for root, dirs, files in os.walk(tree):
    for f in files:
        rel = os.path.relpath(os.path.join(root, f), tree)
        if rel not in keep:
            os.remove(os.path.join(root, f))
' "$top" "$tree" || exit 2

if [ -n "$count" ]; then
    [ -n "$seed" ] || seed=$(( (RANDOM << 15) | RANDOM ))
    list=$scratch/sample-$seed.txt
    python3 "$helper" sample "$tree" "$count" "$seed" >"$list" || exit 2
    echo "sample of $count faults, seed $seed (list: $list)"
fi
list=${list:-$top/scripts/mutants.txt}

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# The optimised build's flags without debug information, which only slows
# the compiler and the linker down.
cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
    "${launcher[@]}" >"$log" 2>&1 || { cat "$log"; exit 2; }
nice -n 10 cmake --build "$build" -j2 >"$log" 2>&1 || { echo "the unchanged tree does not build:"; tail -20 "$log"; exit 2; }
gui=no
[ -x "$build/drovan_gui_tests" ] && gui=yes
python3 "$helper" objects "$build" >"$scratch/objects" || exit 2

# The suite in shards run side by side; the first failing shard stops the rest.
limit=600
core_tests() {
    local pids=() k k2 pid status=0
    for ((k = 0; k < shards; k++)); do
        # A crash is a failure like any other (its report from the shell goes
        # to /dev/null); stopping the shard stops its tests.
        (
            GTEST_TOTAL_SHARDS=$shards GTEST_SHARD_INDEX=$k timeout "$limit" \
                "$build/drovan_tests" --gtest_fail_fast --gtest_brief=1 >"$log.$k" 2>&1 &
            child=$!
            trap 'kill "$child" 2>/dev/null' TERM
            wait "$child"
        ) 2>/dev/null &
        pids+=($!)
    done
    for ((k = 0; k < shards; k++)); do
        wait -n -p pid "${pids[@]}"
        status=$?
        local left=()
        for k2 in "${pids[@]}"; do [ "$k2" = "$pid" ] || left+=("$k2"); done
        pids=("${left[@]}")
        if [ "$status" -ne 0 ]; then
            for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
            wait 2>/dev/null
            break
        fi
    done
    cat "$log".[0-9]* >>"$log"
    rm -f "$log".[0-9]*
    return "$status"
}
gui_tests() {  # builds the desktop program's targets first: a fault elsewhere reaches them too
    [ "$gui" = yes ] || return 0
    nice -n 10 cmake --build "$build" -j2 --target drovan_gui_tests --target drovan >>"$log" 2>&1 || return 1
    (cd "$build" && GTEST_FAIL_FAST=1 timeout "$limit" ctest -R '^gui_' --stop-on-failure --output-on-failure >>"$log" 2>&1)
}
run_tests() {  # $1: the faulty file; a fault that makes the tests hang fails them
    case "$1" in
    src/app/* | src/render/*) gui_tests ;;
    *) core_tests && gui_tests ;;
    esac
}

# A test the unchanged tree fails in this run (one that depends on the tests
# run before it in the same process, say) is named and left out, so that it
# cannot count faults as killed; up to five are left out this way.
: >"$log"
start=$(date +%s)
unset GTEST_FILTER
for ((round = 0; ; round++)); do
    run_tests src/ && break
    failing=$(sed -n 's/^\[  FAILED  \] \([^ ,]*\).*/\1/p' "$log" | sort -u | paste -sd:)
    if [ -z "$failing" ] || [ "$round" -ge 5 ]; then echo "the unchanged tree fails its tests (see $log)"; exit 2; fi
    echo "the unchanged tree fails $failing: left out"
    export GTEST_FILTER="${GTEST_FILTER:--}${GTEST_FILTER:+:}$failing"
    : >"$log"
    start=$(date +%s)
done
base=$(($(date +%s) - start))
limit=$((5 * base + 30))
echo "the unchanged tree passes its tests in ${base}s (load $(cut -d' ' -f1 /proc/loadavg)); tests stop after ${limit}s"

killed=0 survived=0 equivalent=0 broken=0 skipped=0 n=0
saved=$scratch/saved stamp=$scratch/stamp
restore() { [ -n "${current:-}" ] && cp "$saved" "$tree/$current"; current=; }
trap 'restore; exit 130' INT TERM

while IFS= read -r line <&3; do
    case "$line" in '' | '#'*) continue ;; esac
    file=${line%%: *}
    file=${file%%:*}
    n=$((n + 1))
    label="$n ${line%% => *}"
    [ ${#label} -gt 150 ] && label="${label:0:147}..."
    loads+=("$(cut -d' ' -f1 /proc/loadavg)")
    if [ ! -f "$tree/$file" ]; then
        echo "skipped     $label (no such file)"; skipped=$((skipped + 1)); continue
    fi
    cp "$tree/$file" "$saved"
    current=$file
    if ! python3 "$helper" apply "$tree" "$line" 3<&-; then
        current=
        echo "skipped     $label (text not where the list says)"; skipped=$((skipped + 1)); continue
    fi
    : >"$log"
    touch "$stamp"
    sleep 0.01  # a fresh object is newer than the stamp
    targets="--target drovan_tests"
    case "$file" in src/app/* | src/render/*) targets="--target drovan_gui_tests --target drovan" ;; esac
    # shellcheck disable=SC2086
    if ! nice -n 10 cmake --build "$build" -j2 $targets >>"$log" 2>&1 3<&-; then
        echo "no build    $label"; broken=$((broken + 1))
    elif python3 "$helper" same "$build" "$scratch/objects" "$stamp" 3<&-; then
        echo "equivalent  $label"; equivalent=$((equivalent + 1))
    elif run_tests "$file" 3<&-; then  # the list stays the loop's own
        echo "SURVIVED    $label"; survived=$((survived + 1))
    else
        echo "killed      $label"; killed=$((killed + 1))
    fi
    restore
done 3<"$list"

# Leave the scratch build matching the tree again.
nice -n 10 cmake --build "$build" -j2 >/dev/null 2>&1
total=$((killed + survived))
echo "faults: $n; killed $killed, survived $survived, equivalent $equivalent, not building $broken, skipped $skipped"
[ "$total" -gt 0 ] && echo "kill rate: $((100 * killed / total))% ($killed of $total faults that build and change the code)"
mean=$(printf '%s\n' "${loads[@]:-0}" | awk '{s += $1} END {printf "%.1f", NR ? s / NR : 0}')
echo "time: $(( ($(date +%s) - began) / 60 )) min $(( ($(date +%s) - began) % 60 )) s on $(nproc) cores;" \
    "load average $load_at_start at the start, $mean over the faults, $(cut -d' ' -f1-3 /proc/loadavg) at the end"
[ -n "$count" ] && echo "seed: $seed"
exit 0
}
