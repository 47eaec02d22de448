#!/usr/bin/env bash
# Conversion speed against LibreOffice alone, in one run on this machine.
#
#   bench/run_convert.sh [BUILD_DIR] [ROUNDS]
#
# Every measure runs ROUNDS times (3 by default), the contenders taking turns
# within each round so that a machine shared with other work slows them
# alike; the medians are printed, and the ratios are those of the medians.
# Single deck: a 30-slide presentation converted by orvanta-cli (alone, and
# with --jobs 2: its slides shared by two LibreOffices), against
# the floor (bench/office_floor.py: LibreOffice alone writing exactly our
# pictures, nothing of ours around it) and against
# `soffice --headless --convert-to pdf` on the same file (LibreOffice loading
# and rendering every slide into one PDF).
# Batch: ten small presentations converted by one orvanta-cli call (one
# LibreOffice serves the whole batch), against one orvanta-cli call per
# presentation (a cold LibreOffice start each), and against soffice
# converting the ten files to PDF in one call, and against the same batch
# with --jobs 2 (two workers, each with its own LibreOffice).
# Larger batch: four presentations of many slides, --jobs 2 against
# --jobs 1, where the work outweighs the second LibreOffice's start.
# Warm: the 30-slide deck four times in a row under one name (one group, so
# one LibreOffice converts them in turn, as the desktop program does), alone
# against --jobs 2, where a second LibreOffice shares every deck's slides
# and stays running from one to the next.
# Twin: the 30-slide deck with its HTML5 twin (the default: the deck's text
# read on the open document and written into the twin) against --no-html5.
# Needs ../shared/corpus/ppt beside the checkout. Prints seconds and ratios.
# ONLY=twin runs the twin's pair alone (the deck with and without its twin);
# BASELINE=DIR adds the same pair from another build tree, taking turns.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
rounds=${2:-3}
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
warm=()
for x in a b c d; do mkdir -p "$work/warm-decks/$x"; ln -s "$deck" "$work/warm-decks/$x/deck.ppt"; warm+=("$work/warm-decks/$x/deck.ppt"); done
large=()
for f in 23884_defense_FINAL_OOimport_edit.ppt alterman_security.ppt 42486.ppt bug56240.ppt; do large+=("$corpus/$f"); done

now() { date +%s.%N; }
soffice_pdf() {
  local out=$1; shift
  soffice "-env:UserInstallation=file://$work/profile-pdf" --headless --norestore \
    --convert-to pdf --outdir "$out" "$@" >/dev/null 2>&1
}
orvanta() { "$cli" convert "$@" >/dev/null 2>&1 || true; }
floor() { /usr/bin/python3 bench/office_floor.py "$@" >/dev/null; }

# time NAME COMMAND...: runs the command once into a fresh folder and adds
# its seconds to the list of NAME.
declare -A times
time_it() {
  local name=$1; shift
  rm -rf "$work/out"
  local t0 t1
  t0=$(now); "$@"; t1=$(now)
  times[$name]+="$(echo "$t1 - $t0" | bc -l) "
}
median() { echo "${times[$1]}" | tr ' ' '\n' | grep . | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
ratio() { echo "$1 / $2" | bc -l; }

# Warm the disk cache and LibreOffice's first-start work once for both sides.
soffice_pdf "$work/warm" "$corpus/empty.ppt"
orvanta --output-dir "$work/warm" "$corpus/empty.ppt"

if [ "${ONLY:-}" = twin ]; then
  base_cli=${BASELINE:+$(cd "$BASELINE" && pwd)/apps/orvanta-cli}
  baseline() { "$base_cli" convert "$@" >/dev/null 2>&1 || true; }
  for round in $(seq "$rounds"); do
    echo "bench: round $round of $rounds" >&2
    time_it orv_single orvanta --output-dir "$work/out" "$deck"
    time_it orv_single_no_twin orvanta --no-html5 --output-dir "$work/out" "$deck"
    if [ -n "$base_cli" ]; then
      time_it base_single baseline --output-dir "$work/out" "$deck"
      time_it base_single_no_twin baseline --no-html5 --output-dir "$work/out" "$deck"
    fi
  done
  echo "medians of $rounds rounds"
  for side in orv ${base_cli:+base}; do
    with=$(median ${side}_single); without=$(median ${side}_single_no_twin)
    printf '%-5s single deck, its twin   --no-html5 %6.2f s   with the twin and the deck text %6.2f s   ratio %.2f\n' \
      "$side" "$without" "$with" "$(ratio "$with" "$without")"
    printf '  %-20s %s\n' ${side}_single "${times[${side}_single]}" ${side}_single_no_twin "${times[${side}_single_no_twin]}"
  done
  exit 0
fi

for round in $(seq "$rounds"); do
  echo "bench: round $round of $rounds" >&2
  time_it lo_single soffice_pdf "$work/out" "$deck"
  time_it lo_floor floor "$deck"
  time_it orv_single orvanta --output-dir "$work/out" "$deck"
  time_it orv_single_jobs2 orvanta --jobs 2 --output-dir "$work/out" "$deck"
  time_it orv_single_no_twin orvanta --no-html5 --output-dir "$work/out" "$deck"
  time_it orv_single_scorm orvanta --scorm --output-dir "$work/out" "$deck"
  time_it lo_batch soffice_pdf "$work/out" "${batch[@]}"
  time_it orv_batch orvanta --output-dir "$work/out" "${batch[@]}"
  time_it orv_jobs2 orvanta --jobs 2 --output-dir "$work/out" "${batch[@]}"
  time_it orv_large orvanta --output-dir "$work/out" "${large[@]}"
  time_it orv_warm orvanta --output-dir "$work/out" "${warm[@]}"
  time_it orv_warm_jobs2 orvanta --jobs 2 --output-dir "$work/out" "${warm[@]}"
  time_it orv_large_jobs2 orvanta --jobs 2 --output-dir "$work/out" "${large[@]}"
done
# One per file, cold LibreOffice starts: once is enough to show the order.
t0=$(now)
for f in "${batch[@]}"; do orvanta --output-dir "$work/out3" "$f"; done
t1=$(now)
orv_cold=$(echo "$t1 - $t0" | bc -l)

lo_single=$(median lo_single); orv_single=$(median orv_single); lo_floor=$(median lo_floor)
orv_single_jobs2=$(median orv_single_jobs2); orv_single_no_twin=$(median orv_single_no_twin)
orv_single_scorm=$(median orv_single_scorm)
lo_batch=$(median lo_batch); orv_batch=$(median orv_batch); orv_jobs2=$(median orv_jobs2)
orv_large=$(median orv_large); orv_large_jobs2=$(median orv_large_jobs2)
orv_warm=$(median orv_warm); orv_warm_jobs2=$(median orv_warm_jobs2)

echo "medians of $rounds rounds"
printf 'single deck (30 slides)   LibreOffice to PDF %6.2f s   orvanta-cli %6.2f s   ratio %.2f\n' \
  "$lo_single" "$orv_single" "$(ratio "$orv_single" "$lo_single")"
printf 'single deck, the floor    LibreOffice alone, our export %6.2f s   orvanta-cli ratio %.2f\n' \
  "$lo_floor" "$(ratio "$orv_single" "$lo_floor")"
printf 'single deck, --jobs 2     slides shared by two LibreOffices %6.2f s   ratio to the floor %.2f   to PDF %.2f\n' \
  "$orv_single_jobs2" "$(ratio "$orv_single_jobs2" "$lo_floor")" "$(ratio "$orv_single_jobs2" "$lo_single")"
printf 'single deck, its twin     --no-html5 %6.2f s   with the twin and the deck text %6.2f s   ratio %.2f\n' \
  "$orv_single_no_twin" "$orv_single" "$(ratio "$orv_single" "$orv_single_no_twin")"
printf 'single deck, its lesson   the twin alone %6.2f s   with the SCORM package %6.2f s   ratio %.2f\n' \
  "$orv_single" "$orv_single_scorm" "$(ratio "$orv_single_scorm" "$orv_single")"
printf 'batch of 10               LibreOffice to PDF %6.2f s   orvanta-cli %6.2f s   ratio %.2f\n' \
  "$lo_batch" "$orv_batch" "$(ratio "$orv_batch" "$lo_batch")"
printf 'batch of 10, cold starts  one orvanta-cli per file %6.2f s   speed-up of one batch %.2fx\n' \
  "$orv_cold" "$(ratio "$orv_cold" "$orv_batch")"
printf 'batch of 10, --jobs 2     orvanta-cli %6.2f s   speed-up over --jobs 1 %.2fx   ratio to LibreOffice %.2f\n' \
  "$orv_jobs2" "$(ratio "$orv_batch" "$orv_jobs2")" "$(ratio "$orv_jobs2" "$lo_batch")"
printf 'larger batch of 4         --jobs 1 %6.2f s   --jobs 2 %6.2f s   speed-up %.2fx\n' \
  "$orv_large" "$orv_large_jobs2" "$(ratio "$orv_large" "$orv_large_jobs2")"
printf 'one deck four times        alone %6.2f s   slides shared by two LibreOffices %6.2f s   speed-up %.2fx\n' \
  "$orv_warm" "$orv_warm_jobs2" "$(ratio "$orv_warm" "$orv_warm_jobs2")"
for name in lo_single lo_floor orv_single orv_single_jobs2 orv_single_no_twin orv_single_scorm lo_batch orv_batch orv_jobs2 orv_large orv_large_jobs2 orv_warm orv_warm_jobs2; do
  printf '  %-16s %s\n' "$name" "${times[$name]}"
done
