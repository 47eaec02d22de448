#!/bin/bash
# Converts a list of presentations with a Slurm job array: every task takes
# its own slice of the list (--shard auto), keeps the folder tree under the
# output folder, and appends to a report of its own. Submit it again after a
# failure or a time-out: --resume skips what is already converted.
#
#   sbatch --array=0-9 examples/slurm/convert-array.sbatch
#
# LIST, SOURCE_ROOT, OUTPUT and REPORTS may be set in the environment that
# sbatch passes on; ORVANTA_CLI names the program when it is not on PATH.
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
reports=${REPORTS:-$output/reports}
mkdir -p "$reports"

# One LibreOffice per core the task was given; the working folders go to the
# node's own temporary folder.
exec "${ORVANTA_CLI:-orvanta-cli}" convert \
  --files-from "$list" --source-root "$source_root" --output-dir "$output" \
  --shard auto --jobs "${SLURM_CPUS_PER_TASK:-1}" \
  --report "$reports/report-$SLURM_ARRAY_TASK_ID.jsonl" --resume
