#!/usr/bin/env bash
# The README's Slurm example, exactly as written there, on a real Slurm on
# this machine: the job array's files, collected, are byte for byte those of
# the one-command sweep. Skipped, saying why, where Slurm cannot run.
#   tests/batch/slurm-test.sh SOURCE_DIR DROVAN_BATCH
set -euo pipefail
src=$1
batch=$2
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }

[ "$(id -u)" -eq 0 ] || skip "the Slurm test starts slurmd and munged, which needs root"
for tool in munged slurmctld slurmd sbatch squeue sinfo scontrol; do
    command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] ||
        skip "$tool is not installed (Debian packages slurm-wlm and munge; scripts/install-deps.sh installs them)"
done

# The two commands of the README's example.
submit=$(sed -n 's/^    \(sbatch --array=.*\)$/\1/p' "$src/README.md")
collect=$(sed -n 's/^    \(drovan-batch sweep .* --collect\)$/\1/p' "$src/README.md")
[ "$(echo "$submit" | wc -l)" -eq 1 ] && [ -n "$submit" ] || fail "no single sbatch example in README.md"
[ "$(echo "$collect" | wc -l)" -eq 1 ] && [ -n "$collect" ] || fail "no single --collect example in README.md"

work=$(mktemp -d /tmp/drovan-slurm.XXXXXX)
chmod 755 "$work"  # munged runs as the munge user
local_pid=
cleanup() {
    if [ -n "$local_pid" ]; then kill "$local_pid" 2>/dev/null || true; fi
    "$src/scripts/slurm-local.sh" stop "$work/slurm" || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP  # through the EXIT trap: the daemons stop however the test ends
"$src/scripts/slurm-local.sh" start "$work/slurm" || fail "Slurm did not start"
export SLURM_CONF=$work/slurm/slurm.conf

# A folder as a user's: the scenarios beside it, drovan-batch on the PATH.
mkdir -p "$work/job/bin"
ln -s "$batch" "$work/job/bin/drovan-batch"
ln -s "$src/Rules & Scenarios" "$work/job/Rules & Scenarios"
cd "$work/job"
export PATH=$work/job/bin:$PATH

echo "\$ $submit"
submitted=$(eval "$submit")
echo "$submitted"
job=${submitted##* }
[[ "$job" =~ ^[0-9]+$ ]] || fail "sbatch gave no job id"
# The same sweep in one command, meanwhile.
local_sweep=${collect/ --collect/}
local_sweep=${local_sweep/--out sweep/--out local}
echo "\$ $local_sweep &"
eval "$local_sweep" 2>/dev/null &
local_pid=$!
for _ in $(seq 1200); do
    [ -z "$(squeue -h -j "$job" 2>/dev/null)" ] && break
    sleep 0.5
done
[ -z "$(squeue -h -j "$job" 2>/dev/null)" ] && echo "job $job has left the queue" ||
    { squeue; fail "the job array did not finish in 10 minutes"; }
states=$(scontrol -o show job "$job" | grep -o 'JobState=[A-Z]*' | sort | uniq -c)
echo "task states: $states"
echo "$states" | grep -qv COMPLETED && { tail -n 3 slurm-*.out; fail "not every task completed"; }
echo "task ${job}_0: $(tr '\n' ' ' < "slurm-${job}_0.out")"

echo "\$ $collect"
eval "$collect" || fail "--collect exited $?"
wait "$local_pid" || fail "the local sweep exited $?"
local_pid=
for f in runs.csv summary.csv; do
    cmp "sweep/$f" "local/$f" || fail "$f of the job array differs from the local sweep's"
done
echo "runs.csv ($(wc -l < sweep/runs.csv) lines) and summary.csv ($(wc -l < sweep/summary.csv) lines) are the same"
