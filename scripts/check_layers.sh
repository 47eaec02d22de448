#!/usr/bin/env bash
# Fails when a layer of the engine includes a header from a layer above it:
# base <- image <- movie <- pipeline/settings <- batchlist <- pool <- http <- ui and apps,
# with archive (zips) on base, scorm on movie and archive, and video and
# folder_index (the output folder's index page) on movie, below the pipeline.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
check() {
  local layer=$1 forbidden=$2
  local found
  found=$(grep -rnE "#include \"($forbidden)/" "src/$layer" || true)
  if [ -n "$found" ]; then
    echo "layers: src/$layer includes from a layer above it:"
    echo "$found"
    status=1
  fi
}
check base 'image|movie|pipeline|settings|ui|http|batchlist|pool|archive|scorm|video|folder_index'
check archive 'image|movie|pipeline|settings|ui|http|batchlist|pool|scorm|video|folder_index'
check scorm 'pipeline|settings|ui|http|batchlist|pool|video|folder_index'
check video 'pipeline|settings|ui|http|batchlist|pool|archive|scorm|folder_index'
check folder_index 'image|pipeline|settings|ui|http|batchlist|pool|archive|scorm|video'
check image 'movie|pipeline|settings|ui|http|batchlist|pool|archive|scorm|video|folder_index'
check movie 'pipeline|settings|ui|http|batchlist|pool|archive|scorm|video|folder_index'
check pipeline 'settings|ui|http|batchlist|pool'
check settings 'pipeline|ui|http|batchlist|pool'
check batchlist 'settings|ui|http|pool'
check pool 'settings|ui|http'
check http 'ui'
[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
