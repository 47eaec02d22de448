#!/usr/bin/env bash
# Configures and builds one tree. Usage: scripts/build.sh [BUILD_DIR] [CMAKE_ARGS...]
# TARGETS="a b" builds only those targets; JOBS sets the parallel jobs (2).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "$@"
else
  cmake -S . -B "$dir" "$@"
fi
targets=()
for target in ${TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$dir" -j "${JOBS:-2}" "${targets[@]}"
