#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, runs every test
# (unit, integration through LibreOffice, playback in the Flash player
# emulator, desktop windows), the Debian package, then the unit tests again under
# AddressSanitizer + UndefinedBehaviorSanitizer, then the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

echo "== layers"
scripts/check_layers.sh
echo "== format"
scripts/check_format.sh
echo "== build"
scripts/build.sh build -DORVANTA_WERROR=ON
echo "== tests"
ctest --test-dir build --output-on-failure -j "${JOBS:-2}" --timeout 900

echo "== Debian package (built from clean, checked unpacked)"
bash tests/package/check_package.sh

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
scripts/build.sh build-asan -DORVANTA_WERROR=ON -DORVANTA_SANITIZE=ON -DORVANTA_DESKTOP=OFF -DORVANTA_OFFICE=OFF -DCMAKE_BUILD_TYPE=Debug
ctest --test-dir build-asan --output-on-failure -j "${JOBS:-2}" -L unit --timeout 900

echo "== fuzzing"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-30}"
echo "== all tests passed"
