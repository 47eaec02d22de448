#!/usr/bin/env bash
# Configures and builds one tree. Usage: scripts/build.sh [BUILD_DIR] [CMAKE_ARGS...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
else
  cmake -S . -B "$dir" "$@" >/dev/null
fi
cmake --build "$dir" -j "${JOBS:-2}"
