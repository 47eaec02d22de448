#!/usr/bin/env bash
# Converts the bundled example presentation and prints where the results are.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
scripts/build.sh build >/dev/null
if [ ! -f examples/orvanta-tour.odp ]; then
  echo "demo: the example presentation is not bundled yet; the conversion road is still being built."
  exit 1
fi
out=${OUTPUT_DIR:-$PWD/demo-output}
mkdir -p "$out"
build/apps/orvanta-cli convert --output-dir "$out" examples/orvanta-tour.odp
echo "demo: movie $out/orvanta-tour.swf"
echo "demo: page  $out/orvanta-tour.htm"
