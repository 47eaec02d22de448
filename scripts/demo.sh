#!/usr/bin/env bash
# Converts the bundled example presentation and prints where the results are.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Only what the conversion needs: the command line, the LibreOffice bridge
# and the web player.
TARGETS="orvanta-cli orvanta_office web_player" scripts/build.sh build >/dev/null
out=${OUTPUT_DIR:-$PWD/demo-output}
mkdir -p "$out"
# The CLI prints where the movie, the page and the HTML5 twin are.
build/apps/orvanta-cli convert --output-dir "$out" examples/orvanta-tour.odp
page=$out/orvanta-tour.htm
if [ -f "$page" ]; then
  echo
  echo "To watch it in a browser (served on 127.0.0.1; Ctrl-C ends it):"
  echo "  build/apps/orvanta-cli preview $page"
fi
