#!/usr/bin/env bash
# Fails when a C++ file differs from what clang-format makes of it (.clang-format).
# Usage: scripts/check_format.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'apps/*.cpp' 'apps/*.h' 'tools/*.cpp' 'tools/*.h' \
  'tests/*.cpp' 'tests/*.h' 'bench/*.cpp')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run -Werror "${files[@]}" 2>/tmp/orvanta-format.$$; then
  grep -E '^[^ ].*: (error|warning):' /tmp/orvanta-format.$$ | cut -d: -f1 | sort -u | sed 's/^/format: /'
  rm -f /tmp/orvanta-format.$$
  echo "format: run scripts/check_format.sh --fix"
  exit 1
fi
rm -f /tmp/orvanta-format.$$
echo "format: every file is as clang-format makes it"
