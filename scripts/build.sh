#!/usr/bin/env bash
# Configures and builds one tree. Usage: scripts/build.sh [BUILD_DIR] [CMAKE_ARGS...]
# TARGETS="a b" builds only those targets; JOBS sets the parallel jobs (2).
set -euo pipefail
cd "$(dirname "$0")/.."
# Several trees (this one, build-asan, the package's) compile the same
# sources: with ccache on the machine they share the compiled objects.
if command -v ccache >/dev/null && [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
fi
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
