#!/usr/bin/env bash
# Puts one fault of scripts/mutants.txt at a time into a scratch copy of the
# tree, rebuilds it incrementally, runs the tests and says whether a test
# failed (killed) or not (survived); the kill rate comes last. The worktree is
# never touched, so an interrupted run leaves no fault behind.
#   scripts/mutants.sh [LIST]     (scratch folder: $DROVAN_MUTANTS_DIR, default /tmp/drovan-mutants)
# Faults in src/app and src/render also run the desktop program's tests.
# It is slow (a build and a test run per fault): a tool for developers, not CI.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
list=${1:-$top/scripts/mutants.txt}
scratch=${DROVAN_MUTANTS_DIR:-/tmp/drovan-mutants}
tree=$scratch/tree build=$scratch/build log=$scratch/log
mkdir -p "$tree"

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
cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$log" 2>&1 || { cat "$log"; exit 2; }
cmake --build "$build" -j2 >"$log" 2>&1 || { echo "the unchanged tree does not build:"; tail -20 "$log"; exit 2; }

run_tests() {  # $1: the faulty file; a fault that makes the tests hang fails them
    timeout 600 "$build/drovan_tests" --gtest_fail_fast --gtest_brief=1 >>"$log" 2>&1 || return 1
    case "$1" in
    src/app/* | src/render/*) (cd "$build" && ctest -R '^gui_' --output-on-failure >>"$log" 2>&1) || return 1 ;;
    esac
    return 0
}

: >"$log"
run_tests src/app/ || { echo "the unchanged tree fails its tests (see $log)"; exit 2; }

killed=0 survived=0 skipped=0 n=0
saved=$scratch/saved
restore() { [ -n "${current:-}" ] && cp "$saved" "$tree/$current"; current=; }
trap 'restore; exit 130' INT TERM

while IFS= read -r line <&3; do
    case "$line" in '' | '#'*) continue ;; esac
    file=${line%%: *}
    rest=${line#*: }
    case "$rest" in
    *' =>') from=${rest% =>} to= ;;   # "TEXT =>" drops the text
    *) from=${rest%% => *} to=${rest#* => } ;;
    esac
    n=$((n + 1))
    label="$n $file: $from"
    if [ ! -f "$tree/$file" ]; then
        echo "skipped   $label (no such file)"; skipped=$((skipped + 1)); continue
    fi
    cp "$tree/$file" "$saved"
    current=$file
    if ! FROM=$from TO=$to python3 - "$tree/$file" <<'PY'
import os, sys
path = sys.argv[1]
text = open(path).read()
frm, to = os.environ["FROM"], os.environ["TO"]
if text.count(frm) != 1:
    sys.exit(1)
open(path, "w").write(text.replace(frm, to))
PY
    then
        current=
        echo "skipped   $label (text not found exactly once)"; skipped=$((skipped + 1)); continue
    fi
    : >"$log"
    targets="--target drovan_tests"
    case "$file" in src/app/* | src/render/*) targets="$targets --target drovan_gui_tests --target drovan" ;; esac
    # shellcheck disable=SC2086
    if ! nice -n 10 cmake --build "$build" -j2 $targets >>"$log" 2>&1 3<&-; then
        echo "skipped   $label (does not build)"; skipped=$((skipped + 1))
    elif run_tests "$file" 3<&-; then  # the list stays the loop's own
        echo "SURVIVED  $label"; survived=$((survived + 1))
    else
        echo "killed    $label"; killed=$((killed + 1))
    fi
    restore
done 3<"$list"

# Leave the scratch build matching the tree again.
nice -n 10 cmake --build "$build" -j2 >/dev/null 2>&1
total=$((killed + survived))
echo "faults: $n, killed $killed, survived $survived, skipped $skipped"
[ "$total" -gt 0 ] && echo "kill rate: $((100 * killed / total))% ($killed of $total)"
