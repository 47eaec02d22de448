#!/usr/bin/env bash
# Converts the bundled example presentation and prints where the results are.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Only what the conversion needs: the command line and the LibreOffice bridge.
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "${JOBS:-2}" --target orvanta-cli orvanta_office >/dev/null
out=${OUTPUT_DIR:-$PWD/demo-output}
mkdir -p "$out"
# The CLI prints where the movie, the page and the HTML5 twin are.
build/apps/orvanta-cli convert --output-dir "$out" examples/orvanta-tour.odp
