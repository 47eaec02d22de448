#!/usr/bin/env bash
# Exports slides of a few real presentations once (LibreOffice -> PDF ->
# 960 x 720 and 640 x 480 BMP pictures, kept outside the repository), builds
# the benchmark and runs it.
# Usage: bench/run_slide_encode.sh [SLIDE_DIR] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
slides=${1:-${TMPDIR:-/tmp}/orvanta-bench-slides}
rounds=${2:-3}
corpus=../shared/corpus/ppt
build=${BUILD_DIR:-build-bench}

if [ ! -d "$slides/960" ]; then
  mkdir -p "$slides/pdf" "$slides/960" "$slides/640"
  profile="file://$slides/lo-profile"
  for deck in SampleShow.ppt 54880_chinese.ppt alterman_security.ppt 42486.ppt; do
    [ -f "$corpus/$deck" ] || continue
    soffice -env:UserInstallation="$profile" --headless --convert-to pdf --outdir "$slides/pdf" "$corpus/$deck" >/dev/null 2>&1 || true
  done
  for pdf in "$slides"/pdf/*.pdf; do
    [ -f "$pdf" ] || continue
    base=$(basename "$pdf" .pdf)
    pdftoppm -r 96 -scale-to-x 960 -scale-to-y 720 -l 12 "$pdf" "$slides/pdf/$base"
    for page in "$slides/pdf/$base"-*.ppm; do
      name=$(basename "$page" .ppm)
      convert "$page" BMP3:"$slides/960/$name.bmp"
      convert "$page" -resize '640x480!' BMP3:"$slides/640/$name.bmp"
      rm -f "$page"
    done
  done
fi

if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANTA_DESKTOP=OFF -DORVANTA_TESTS=OFF >/dev/null
fi
ninja -C "$build" -j "${JOBS:-1}" slide_encode_bench >/dev/null
"$build/bench/slide_encode_bench" "$slides/960" "$slides/640" "$rounds"
