#!/usr/bin/env bash
# The video step against the ffmpeg program, in one run on this machine.
#
#   bench/run_video.sh [BUILD_DIR] [ROUNDS]
#
# The 30-slide corpus deck's slides as 1080-pixel-high pictures (LibreOffice
# to PDF, pdftoppm), 5 s a slide, made into a video by bench/slidevideo (our
# video library: one key frame per slide held by its time stamp, fade frames
# only where the fade is) with and without the fade, against the ffmpeg
# program making a slideshow of the same pictures with its concat demuxer at
# a constant 30 frames a second: same codec (libx264), CRF (20), preset
# (medium) and tune (stillimage). Every measure runs ROUNDS times (3) taking
# turns; the medians and their ratios are printed, with the peak memory of
# the video step at 1080p and at 2160p. Installs the ffmpeg program when it
# is missing (the bench's baseline only; the program never runs it).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
rounds=${2:-3}
slidevideo=$PWD/$build/bench/slidevideo
deck=$(cd .. && pwd)/shared/corpus/ppt/23884_defense_FINAL_OOimport_edit.ppt
[ -x "$slidevideo" ] || { echo "bench: build $slidevideo first (TARGETS=slidevideo)" >&2; exit 1; }
[ -f "$deck" ] || { echo "bench: $deck is missing" >&2; exit 1; }
if ! command -v ffmpeg >/dev/null; then
  [ "$(id -u)" -eq 0 ] || { echo "bench: the ffmpeg program is needed (apt-get install ffmpeg)" >&2; exit 1; }
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends ffmpeg >/dev/null
fi

work=$(mktemp -d /tmp/orvanta-video-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
soffice "-env:UserInstallation=file://$work/profile" --headless --norestore --convert-to pdf --outdir "$work" \
  "$deck" >/dev/null 2>&1
pdf=$(ls "$work"/*.pdf)
for height in 1080 2160; do
  mkdir -p "$work/$height"
  pdftoppm -r 300 -scale-to-y "$height" -scale-to-x -1 -l 30 "$pdf" "$work/$height/p"
  for page in "$work/$height"/p-*.ppm; do
    convert "$page" BMP3:"${page%.ppm}.bmp"
    rm -f "$page"
  done
done
mapfile -t pictures < <(ls "$work"/1080/p-*.bmp | sort -V)
mapfile -t pictures4k < <(ls "$work"/2160/p-*.bmp | sort -V)
echo "slides: ${#pictures[@]}, $(identify -format '%wx%h' "${pictures[0]}") and $(identify -format '%wx%h' "${pictures4k[0]}")"
list=$work/concat.txt
: >"$list"
for p in "${pictures[@]}"; do printf "file '%s'\nduration 5\n" "$p" >>"$list"; done
printf "file '%s'\n" "${pictures[-1]}" >>"$list"  # the demuxer takes the last duration only with a last entry

now() { date +%s.%N; }
median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
declare -A times peaks
for round in $(seq "$rounds"); do
  start=$(now)
  ffmpeg -nostdin -loglevel error -y -f concat -safe 0 -i "$list" -vf "fps=30,scale=trunc(iw/2)*2:1080,format=yuv420p" \
    -c:v libx264 -preset medium -tune stillimage -crf 20 -movflags +faststart "$work/ffmpeg.mp4"
  times[ffmpeg]+="$(echo "$(now) - $start" | bc) "
  for fade in fade no-fade; do
    flag=(); [ "$fade" = no-fade ] && flag=(--no-fade)
    out=$("$slidevideo" --out "$work/ours-$fade.mp4" --height 1080 --each 5 "${flag[@]}" "${pictures[@]}")
    times[$fade]+="$(echo "$out" | awk '{print $2}') "
    peaks[$fade]+="$(echo "$out" | awk '{print $4}') "
  done
  out=$("$slidevideo" --out "$work/ours-2160.mp4" --height 2160 --each 5 "${pictures4k[@]}")
  peaks[2160]+="$(echo "$out" | awk '{print $4}') "
done
m() { echo "$1" | tr ' ' '\n' | grep . | median; }
ffmpeg_s=$(m "${times[ffmpeg]}")
fade_s=$(m "${times[fade]}")
nofade_s=$(m "${times[no-fade]}")
printf 'ffmpeg concat 30 fps        %7.2f s\n' "$ffmpeg_s"
printf 'ours, no fade               %7.2f s   ratio %5.1fx   peak %s MB\n' "$nofade_s" \
  "$(echo "$ffmpeg_s / $nofade_s" | bc -l)" "$(m "${peaks[no-fade]}")"
printf 'ours, fade                  %7.2f s   ratio %5.1fx   peak %s MB\n' "$fade_s" \
  "$(echo "$ffmpeg_s / $fade_s" | bc -l)" "$(m "${peaks[fade]}")"
printf 'ours, 2160p with fade       peak %s MB\n' "$(m "${peaks[2160]}")"
ls -l "$work"/*.mp4 | awk '{print $5, $9}'
