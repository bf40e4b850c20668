#!/usr/bin/env bash
# Slurm on this one machine, for trying job arrays without a cluster.
#
#   scripts/slurm-local.sh start DIR   # configuration, state and logs in DIR
#   export SLURM_CONF=DIR/slurm.conf   # then sbatch, squeue, scontrol work
#   scripts/slurm-local.sh stop DIR
#
# Runs as root without systemd: munged (with its socket in DIR), slurmctld
# and slurmd are started as plain processes and stopped by their pid files.
# Needs Debian's slurm-wlm and munge (scripts/install-deps.sh installs them).
set -euo pipefail

usage() { echo "usage: $0 start|stop DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
action=$1
dir=$2

# A port no process listens on, from a range the kernel does not hand out.
free_port() {
    local port
    for port in $(shuf -i 20000-29999 -n 50); do
        if ! grep -qi ":$(printf '%04X' "$port") [0-9A-F:]* 0A " /proc/net/tcp /proc/net/tcp6 2>/dev/null; then
            echo "$port"
            return 0
        fi
    done
    return 1
}

stop_pid() {
    local file=$1 pid
    [ -s "$file" ] || return 0
    pid=$(cat "$file")
    kill "$pid" 2>/dev/null || return 0
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
}

case "$action" in
stop)
    # Jobs still running would outlive slurmd: cancel them first.
    if [ -s "$dir/slurmctld.pid" ] && kill -0 "$(cat "$dir/slurmctld.pid")" 2>/dev/null; then
        export SLURM_CONF=$dir/slurm.conf
        squeue -h -o %i 2>/dev/null | xargs -r scancel 2>/dev/null || true
        for _ in $(seq 50); do
            [ -z "$(squeue -h 2>/dev/null)" ] && break
            sleep 0.2
        done
    fi
    stop_pid "$dir/slurmd.pid"
    stop_pid "$dir/slurmctld.pid"
    stop_pid "$dir/munge/munged.pid"
    exit 0
    ;;
start) ;;
*) usage ;;
esac

[ "$(id -u)" -eq 0 ] || { echo "$0: must run as root (slurmd runs as root here)" >&2; exit 1; }
for tool in munged slurmctld slurmd sbatch sinfo; do
    command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] ||
        { echo "$0: $tool is missing (apt-get install slurm-wlm munge)" >&2; exit 1; }
done
mkdir -p "$dir/munge" "$dir/state" "$dir/spool"
dir=$(cd "$dir" && pwd)
chmod 755 "$dir"  # munged, running as munge, must reach its folder
host=$(hostname -s)

# munge: its own key and socket in DIR, owned by the munge user as munged demands.
if [ ! -s "$dir/munge/munge.key" ]; then
    dd if=/dev/urandom of="$dir/munge/munge.key" bs=1024 count=1 status=none
fi
chown -R munge:munge "$dir/munge"
chmod 755 "$dir/munge"  # the socket must be reachable by every user
chmod 400 "$dir/munge/munge.key"
runuser -u munge -- test -x "$dir/munge" ||
    { echo "$0: the munge user cannot reach $dir: open the folders above it to others (chmod o+x)" >&2; exit 1; }
runuser -u munge -- /usr/sbin/munged --key-file="$dir/munge/munge.key" --socket="$dir/munge/munge.socket" \
    --pid-file="$dir/munge/munged.pid" --log-file="$dir/munge/munged.log" --seed-file="$dir/munge/munged.seed"

ctld_port=$(free_port)
slurmd_port=$(free_port)
cat > "$dir/slurm.conf" <<EOF
ClusterName=local
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$dir/munge/munge.socket
CredType=cred/munge
MpiDefault=none
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
ReturnToService=2
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
SchedulerParameters=sched_interval=1
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=local Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF
export SLURM_CONF=$dir/slurm.conf
/usr/sbin/slurmctld -f "$SLURM_CONF"
/usr/sbin/slurmd -f "$SLURM_CONF"

# Ready when the node takes jobs.
for _ in $(seq 150); do
    state=$(sinfo -h -N -o '%T' 2>/dev/null | head -1)
    case "$state" in idle | mixed | allocated) echo "slurm: node $host $state (SLURM_CONF=$SLURM_CONF)"; exit 0 ;; esac
    sleep 0.2
done
echo "$0: slurm did not come up in 30 s; last node state '${state:-none}'" >&2
tail -n 5 "$dir/slurmctld.log" "$dir/slurmd.log" >&2 || true
exit 1
