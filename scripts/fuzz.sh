#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each one for a bounded time.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-${FUZZ_SECONDS:-30}}
# Undefined behaviour stops a run however the script is started.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
CC=clang CXX=clang++ scripts/build.sh build-fuzz -DORVANTA_FUZZ=ON -DORVANTA_DESKTOP=OFF -DORVANTA_OFFICE=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target fuzz_targets -j "${JOBS:-2}" >/dev/null
status=0
for target in build-fuzz/tests/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  seeds=tests/fuzz/corpus/${name%_fuzz}
  work=build-fuzz/corpus/$name
  mkdir -p "$work" "$seeds"
  echo "fuzz: $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
      -artifact_prefix=build-fuzz/"$name"- "$work" "$seeds" >build-fuzz/"$name".log 2>&1; then
    echo "fuzz: $name FOUND A FAULT (see build-fuzz/$name.log)"
    tail -40 build-fuzz/"$name".log
    status=1
  fi
done
exit $status
