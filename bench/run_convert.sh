#!/usr/bin/env bash
# Conversion speed against LibreOffice alone, in one run on this machine.
#
#   bench/run_convert.sh [BUILD_DIR]
#
# Single deck: a 30-slide presentation converted by orvanta-cli, against
# `soffice --headless --convert-to pdf` on the same file (LibreOffice loading
# and rendering every slide, nothing else).
# Batch: ten small presentations converted by one orvanta-cli call (one
# LibreOffice serves the whole batch), against one orvanta-cli call per
# presentation (a cold LibreOffice start each), and against soffice
# converting the ten files to PDF in one call, and against the same batch
# with --jobs 2 (two workers, each with its own LibreOffice).
# Larger batch: four presentations of many slides, --jobs 2 against
# --jobs 1, where the work outweighs the second LibreOffice's start.
# Needs ../shared/corpus/ppt beside the checkout. Prints seconds and ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cli=$PWD/$build/apps/orvanta-cli
corpus=$(cd .. && pwd)/shared/corpus/ppt
[ -x "$cli" ] || { echo "bench: build $cli first" >&2; exit 1; }
[ -d "$corpus" ] || { echo "bench: $corpus is missing" >&2; exit 1; }

work=$(mktemp -d /tmp/orvanta-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config

deck=$corpus/23884_defense_FINAL_OOimport_edit.ppt
small=(basic_test_ppt_file.ppt SampleShow.ppt empty.ppt incorrect_slide_order.ppt slide_master.ppt
       52244.ppt 54880_chinese.ppt bug55902-mixedFontChineseCharacters.ppt 57272_corrupted_usereditatom.ppt
       "VBA Project.pps")
batch=()
for f in "${small[@]}"; do batch+=("$corpus/$f"); done
large=()
for f in 23884_defense_FINAL_OOimport_edit.ppt alterman_security.ppt 42486.ppt bug56240.ppt; do large+=("$corpus/$f"); done

now() { date +%s.%N; }
elapsed() { echo "$2 - $1" | bc -l; }
soffice_pdf() {
  local out=$1; shift
  soffice "-env:UserInstallation=file://$work/profile-pdf" --headless --norestore \
    --convert-to pdf --outdir "$out" "$@" >/dev/null 2>&1
}

# Warm the disk cache and LibreOffice's first-start work once for both sides.
soffice_pdf "$work/warm" "$corpus/empty.ppt"
"$cli" convert --output-dir "$work/warm" "$corpus/empty.ppt" >/dev/null 2>&1 || true

t0=$(now); soffice_pdf "$work/pdf1" "$deck"; t1=$(now)
lo_single=$(elapsed "$t0" "$t1")
t0=$(now); "$cli" convert --output-dir "$work/out1" "$deck" >/dev/null 2>&1; t1=$(now)
orv_single=$(elapsed "$t0" "$t1")

t0=$(now); soffice_pdf "$work/pdf2" "${batch[@]}"; t1=$(now)
lo_batch=$(elapsed "$t0" "$t1")
t0=$(now); "$cli" convert --output-dir "$work/out2" "${batch[@]}" >/dev/null 2>&1 || true; t1=$(now)
orv_batch=$(elapsed "$t0" "$t1")
t0=$(now); "$cli" convert --jobs 2 --output-dir "$work/out4" "${batch[@]}" >/dev/null 2>&1 || true; t1=$(now)
orv_jobs2=$(elapsed "$t0" "$t1")
t0=$(now); "$cli" convert --output-dir "$work/out5" "${large[@]}" >/dev/null 2>&1 || true; t1=$(now)
orv_large=$(elapsed "$t0" "$t1")
t0=$(now); "$cli" convert --jobs 2 --output-dir "$work/out6" "${large[@]}" >/dev/null 2>&1 || true; t1=$(now)
orv_large_jobs2=$(elapsed "$t0" "$t1")
t0=$(now)
for f in "${batch[@]}"; do "$cli" convert --output-dir "$work/out3" "$f" >/dev/null 2>&1 || true; done
t1=$(now)
orv_cold=$(elapsed "$t0" "$t1")

printf 'single deck (30 slides)   LibreOffice to PDF %6.2f s   orvanta-cli %6.2f s   ratio %.2f\n' \
  "$lo_single" "$orv_single" "$(echo "$orv_single / $lo_single" | bc -l)"
printf 'batch of 10               LibreOffice to PDF %6.2f s   orvanta-cli %6.2f s   ratio %.2f\n' \
  "$lo_batch" "$orv_batch" "$(echo "$orv_batch / $lo_batch" | bc -l)"
printf 'batch of 10, cold starts  one orvanta-cli per file %6.2f s   speed-up of one batch %.2fx\n' \
  "$orv_cold" "$(echo "$orv_cold / $orv_batch" | bc -l)"
printf 'batch of 10, --jobs 2     orvanta-cli %6.2f s   speed-up over --jobs 1 %.2fx   ratio to LibreOffice %.2f\n' \
  "$orv_jobs2" "$(echo "$orv_batch / $orv_jobs2" | bc -l)" "$(echo "$orv_jobs2 / $lo_batch" | bc -l)"
printf 'larger batch of 4         --jobs 1 %6.2f s   --jobs 2 %6.2f s   speed-up %.2fx\n' \
  "$orv_large" "$orv_large_jobs2" "$(echo "$orv_large / $orv_large_jobs2" | bc -l)"
