#!/bin/bash
# Converts a list of presentations with a Slurm job array: task i takes slice
# i+1 of SHARDS (--shard auto/SHARDS, from SLURM_ARRAY_TASK_ID), keeps the
# folder tree under the output folder, and appends to a report of its own.
# The number of slices comes from SHARDS, not from the array, so a task
# submitted again alone takes the same slice: after a failure or a time-out,
# resubmit just that task (--resume skips what it already converted):
#
#   sbatch --array=0-9 examples/slurm/convert-array.sbatch     # SHARDS=10, the default
#   sbatch --array=7 examples/slurm/convert-array.sbatch       # task 7 again: slice 8 of 10
#   orvanta-cli report orvanta-reports/report-*.jsonl          # what became of every file
#
# LIST, SOURCE_ROOT, OUTPUT, SHARDS and REPORTS may be set in the environment
# that sbatch passes on; NULL=1 reads a list made with find -print0;
# ORVANTA_CLI names the program when it is not on PATH. The reports go
# beside the submission, not into the output folder that gets published.
#
# Exit status: 0 all converted, 1 some files failed (the report names them),
# 75 the task could not go through its slice (LibreOffice did not start, the
# report cannot be written): submitting it again may help.
#SBATCH --job-name=orvanta-convert
#SBATCH --array=0-9
#SBATCH --cpus-per-task=2
#SBATCH --mem=4G
#SBATCH --time=24:00:00
#SBATCH --output=orvanta-%A_%a.log
set -euo pipefail

list=${LIST:-presentations.txt}
source_root=${SOURCE_ROOT:-/archive}
output=${OUTPUT:-/srv/slides}
shards=${SHARDS:-10}
reports=${REPORTS:-${SLURM_SUBMIT_DIR:-$PWD}/orvanta-reports}
mkdir -p "$reports"
null=()
if [ "${NULL:-0}" = 1 ]; then null=(--null); fi

# One LibreOffice per core the task was given; the working folders go to the
# node's own temporary folder.
exec "${ORVANTA_CLI:-orvanta-cli}" convert \
  --files-from "$list" "${null[@]}" --source-root "$source_root" --output-dir "$output" \
  --shard "auto/$shards" --jobs "${SLURM_CPUS_PER_TASK:-1}" \
  --report "$reports/report-$SLURM_ARRAY_TASK_ID.jsonl" --resume
