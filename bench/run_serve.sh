#!/usr/bin/env bash
# The conversion service under load, against the batch on the same files, in
# one run on this machine.
#
#   bench/run_serve.sh [BUILD_DIR] [REQUESTS]
#
# 1. Warm against cold: a one-slide deck posted 20 times one after another to
#    `orvanta-cli serve --workers 2` (p50), against `orvanta-cli convert` of
#    the same deck started anew each time (median of 5).
# 2. Load: REQUESTS (200) requests from 4 clients against --workers 2, a mix
#    of corpus decks and files that cannot be converted; nothing may be lost,
#    every answer must be the expected one. p50/p95, throughput, and the peak
#    resident memory of the service with its workers and LibreOffices, then
#    its memory at the end against the start (flat means no growth).
# 3. The batch: `orvanta-cli convert --jobs 2` over the same mix, as many
#    files as requests; throughput of the service against it.
# 4. Slow clients: /health and a small deck's conversion alone, then while
#    200 connections send their heads one byte every 5 s
#    (bench/serve_slow_clients.py; a service that can be told so takes 256
#    connections from one address).
# Needs ../shared/corpus/ppt beside the checkout.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
requests=${2:-200}
cli=$PWD/$build/apps/orvanta-cli
corpus=$(cd .. && pwd)/shared/corpus/ppt
[ -x "$cli" ] || { echo "bench: build $cli first" >&2; exit 1; }
[ -d "$corpus" ] || { echo "bench: $corpus is missing" >&2; exit 1; }
python=/usr/bin/python3

work=$(mktemp -d /tmp/orvanta-bench-XXXXXX)
export XDG_CONFIG_HOME=$work/config TMPDIR=$work/tmp
mkdir -p "$TMPDIR"
port=$((20000 + $$ % 20000))
"$cli" serve --listen 127.0.0.1:$port --workers 2 --queue 200 >"$work/serve.log" 2>&1 &
service=$!
trap 'kill $service 2>/dev/null; wait $service 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 300); do curl -sf http://127.0.0.1:$port/health >/dev/null && break; sleep 0.2; done

one=$corpus/basic_test_ppt_file.ppt
echo "== warm against cold, one small deck"
warm=()
for _ in $(seq 20); do
  warm+=("$(curl -s -o /dev/null -w '%{time_total}' -F "file=@$one" http://127.0.0.1:$port/v1/convert)")
done
cold=()
for _ in $(seq 5); do
  s=$(date +%s%N)
  "$cli" convert --output-dir "$work/cold" "$one" >/dev/null 2>&1
  cold+=("$(awk -v a="$s" -v b="$(date +%s%N)" 'BEGIN {printf "%.3f", (b - a) / 1e9}')")
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
echo "serve p50 $(median "${warm[@]}") s, cold convert median $(median "${cold[@]}") s"

echo "== load: $requests requests, 4 clients, --workers 2"
mix=(basic_test_ppt_file.ppt=200 SampleShow.ppt=200 Password_Protected-hello.ppt=422 slide_master.ppt=200
     54880_chinese.ppt=200 57272_corrupted_usereditatom.ppt=200 incorrect_slide_order.ppt=200 pictures.ppt=422
     52244.ppt=200 clusterfuzz-testcase-minimized-POIFuzzer-5429732352851968.ppt=422)
args=()
for m in "${mix[@]}"; do args+=("$corpus/$m"); done
before=$(curl -s http://127.0.0.1:$port/metrics | awk '/^orvanta_office_resident_bytes/ {print $2}')
$python bench/serve_load.py $port $service "$requests" 4 "${args[@]}" | tee "$work/load.json"
after=$(curl -s http://127.0.0.1:$port/metrics | awk '/^orvanta_office_resident_bytes/ {print $2}')
echo "resident memory of the workers and LibreOffices: $((before / 1048576)) MB at the start, $((after / 1048576)) MB at the end"
curl -s http://127.0.0.1:$port/metrics | grep -E '^orvanta_(office_restarts_total|requests_total)'

echo "== the batch: convert --jobs 2 over the same mix"
list=()
for k in $(seq 0 $((requests - 1))); do
  m=${mix[$((k % ${#mix[@]}))]}
  mkdir -p "$work/batch/$k"
  ln -s "$corpus/${m%=*}" "$work/batch/$k/${m%=*}"
  list+=("$work/batch/$k/${m%=*}")
done
printf '%s\n' "${list[@]}" >"$work/list"
s=$(date +%s%N)
"$cli" convert --jobs 2 --files-from "$work/list" --source-root "$work/batch" --output-dir "$work/batch-out" \
  >/dev/null 2>&1 || true
batch_s=$(awk -v a="$s" -v b="$(date +%s%N)" 'BEGIN {printf "%.2f", (b - a) / 1e9}')
serve_s=$($python -c "import json; print(json.load(open('$work/load.json'))['wall_s'])")
echo "batch $batch_s s, service $serve_s s for $requests files: service throughput $(awk -v a="$batch_s" -v b="$serve_s" 'BEGIN {printf "%.2f", a / b}')x the batch's"

echo "== slow clients: 200 heads a byte every 5 s, --workers 2"
kill $service 2>/dev/null; wait $service 2>/dev/null || true
slow_args=()
"$cli" serve --help | grep -q -- --client-connections && slow_args=(--client-connections 256)
"$cli" serve --listen 127.0.0.1:$port --workers 2 "${slow_args[@]}" >"$work/serve-slow.log" 2>&1 &
service=$!
for _ in $(seq 300); do curl -sf http://127.0.0.1:$port/health >/dev/null && break; sleep 0.2; done
$python bench/serve_slow_clients.py $port /health "$one" 200 5 5
