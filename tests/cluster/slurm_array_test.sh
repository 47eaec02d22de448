#!/usr/bin/env bash
# A real Slurm job array over a folder tree of corpus presentations: a
# one-node cluster (munged, slurmctld, slurmd) started as root from a
# configuration in a temporary folder, the example array script submitted
# with `sbatch --wait --array=0-2`, and the tasks' outputs compared with one
# serial run, byte for byte, each entry in exactly one task's report.
# Usage: slurm_array_test.sh ORVANTA_CLI SOURCE_DIR CORPUS_DIR
set -euo pipefail
cli=$1 source_dir=$2 corpus=$3

not_here() {
  if [ "${CI:-}" = true ]; then
    echo "FAILED: $1 (CI=true: a Slurm that cannot start is a failure)"
    exit 1
  fi
  echo "SKIPPED: $1"
  exit 77
}
[ "$(id -u)" -eq 0 ] || not_here "the test cluster's daemons start as root"
for program in munged slurmctld slurmd sbatch jq; do
  command -v "$program" >/dev/null || not_here "$program (scripts/setup.sh installs slurm-wlm, munge and jq)"
done
[ -r /etc/munge/munge.key ] || not_here "/etc/munge/munge.key (made by the munge package)"
[ -x /usr/lib/libreoffice/program/soffice ] || not_here "LibreOffice (soffice)"

work=$(mktemp -d "${TMPDIR:-/tmp}/orvanta-slurm.XXXXXX")
cluster=$work/cluster
mkdir -p "$cluster/state" "$cluster/spool" "$cluster/log" "$work/in" "$work/home" "$work/tmp"
stop_cluster() {
  for daemon in slurmd slurmctld munged; do
    [ -f "$cluster/$daemon.pid" ] && kill "$(cat "$cluster/$daemon.pid")" 2>/dev/null || true
  done
  for _ in $(seq 50); do
    pgrep -f "$cluster/" >/dev/null || break
    sleep 0.2
  done
  pkill -9 -f "$cluster/" 2>/dev/null || true
  rm -rf "$work"
}
trap stop_cluster EXIT

# Three folders, two files named lecture.ppt, one deck that cannot be opened.
while read -r place file; do
  [ -f "$corpus/$file" ] || not_here "$corpus/$file"
  mkdir -p "$work/in/$(dirname "$place")"
  ln -s "$corpus/$file" "$work/in/$place"
  printf '%s\0' "$work/in/$place" >>"$work/list.txt"  # as find -print0 makes it
done <<'LIST'
course1/lecture.ppt basic_test_ppt_file.ppt
course1/intro.ppt slide_master.ppt
course2/lecture.ppt incorrect_slide_order.ppt
course2/locked.ppt Password_Protected-hello.ppt
course3/课件.ppt 54880_chinese.ppt
LIST

# The tasks read the same stored options as the serial run: sbatch passes
# the environment on.
export HOME=$work/home XDG_CONFIG_HOME=$work/home TMPDIR=$work/tmp
"$cli" settings set Width 320 >/dev/null
"$cli" settings set Height 240 >/dev/null
"$cli" convert --files-from "$work/list.txt" --null --source-root "$work/in" --output-dir "$work/serial" \
  >/dev/null 2>"$work/serial.log" || true

# The cluster: its own ports, sockets, state and logs, all in the temporary folder.
port=$((20000 + $$ % 20000))
memory=$(($(awk '/MemTotal/ {print $2}' /proc/meminfo) / 1024 - 512))
host=$(hostname -s)
cat >"$cluster/slurm.conf" <<CONF
ClusterName=orvanta-test
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$cluster/munge.socket
CryptoType=crypto/munge
StateSaveLocation=$cluster/state
SlurmdSpoolDir=$cluster/spool
SlurmctldPidFile=$cluster/slurmctld.pid
SlurmdPidFile=$cluster/slurmd.pid
SlurmctldLogFile=$cluster/log/slurmctld.log
SlurmdLogFile=$cluster/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
MpiDefault=none
ReturnToService=2
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
JobCompType=jobcomp/none
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) RealMemory=$memory State=UNKNOWN
PartitionName=test Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$cluster/slurm.conf
munged --force --socket="$cluster/munge.socket" --pid-file="$cluster/munged.pid" \
  --log-file="$cluster/log/munged.log" --seed-file="$cluster/munge.seed" || not_here "munged did not start"
slurmctld -f "$SLURM_CONF" || not_here "slurmctld did not start: $(tail -3 "$cluster/log/slurmctld.log")"
slurmd -f "$SLURM_CONF" || not_here "slurmd did not start: $(tail -3 "$cluster/log/slurmd.log")"
for _ in $(seq 100); do
  sinfo -h -o %t 2>/dev/null | grep -q idle && break
  sleep 0.2
done
sinfo -h -o %t | grep -q idle || not_here "the node never became idle: $(tail -3 "$cluster/log/slurmd.log")"

started=$(date +%s%N)
status=0
export LIST=$work/list.txt NULL=1 SHARDS=3 SOURCE_ROOT=$work/in OUTPUT=$work/sharded REPORTS=$work/reports \
  ORVANTA_CLI=$cli
sbatch --wait --array=0-2 --cpus-per-task=1 --mem=1G --chdir="$work" --output="$work/task-%a.log" \
  "$source_dir/examples/slurm/convert-array.sbatch" >/dev/null || status=$?
ended=$(date +%s%N)
echo "the Slurm array of 3 tasks took $(((ended - started) / 1000000)) ms (sbatch --wait: $status, a task with a failed file ends 1)"

failures=0
fail() {
  echo "FAILED: $1"
  failures=$((failures + 1))
}
for k in 0 1 2; do
  [ -f "$work/reports/report-$k.jsonl" ] || fail "task $k wrote no report: $(cat "$work/task-$k.log" 2>/dev/null)"
done
diff -r "$work/serial" "$work/sharded" >/dev/null || fail "the array's outputs differ from one serial run's"
reported=$(cat "$work"/reports/*.jsonl | jq -r .source | sort)
listed=$(tr '\0' '\n' <"$work/list.txt" | sort)
[ "$reported" = "$listed" ] || fail "the reports do not hold each entry exactly once: $reported"

# Task 1 timed out, say: submitted again alone, it takes slice 2 of 3 again,
# not the whole list as slice 1 of 1.
before=$(wc -l <"$work/reports/report-1.jsonl")
sbatch --wait --array=1 --cpus-per-task=1 --mem=1G --chdir="$work" --output="$work/again-%a.log" \
  "$source_dir/examples/slurm/convert-array.sbatch" >/dev/null || true
again=$(tail -n +"$((before + 1))" "$work/reports/report-1.jsonl")
echo "the resubmitted task added: ${again:-nothing (its slice was done)}"
shards=$(echo "$again" | jq -r 'select(. != null) | .shard' | sort -u)
[ -z "$shards" ] || [ "$shards" = "2/3" ] || fail "the resubmitted task took slice $shards, not 2/3"
grep -qE "already converted and unchanged, skipped|转换过且未改动，已略过" "$work/again-1.log" || fail "the resubmitted task converted its slice again"

# What became of every file, read from the three reports as the README shows.
summary=$("$cli" report "$work"/reports/*.jsonl) && fail "report says every file converted: $summary"
echo "$summary" | grep -q "^  converted    4$" || fail "report's counts: $summary"
[ "$("$cli" report --failed "$work"/reports/*.jsonl)" = "$work/in/course2/locked.ppt" ] ||
  fail "the failures listed: $("$cli" report --failed "$work"/reports/*.jsonl)"
echo "$((failures == 0 ? 1 : 0)) passed, $((failures == 0 ? 0 : 1)) failed"
[ $failures -eq 0 ]
