#!/usr/bin/env bash
# Converts the bundled example presentation and prints where the results are.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
scripts/build.sh build >/dev/null
out=${OUTPUT_DIR:-$PWD/demo-output}
mkdir -p "$out"
# The CLI prints where the movie and the page are.
build/apps/orvanta-cli convert --output-dir "$out" examples/orvanta-tour.odp
