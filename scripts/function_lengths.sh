#!/usr/bin/env bash
# Lists the functions longer than LIMIT lines, longest first, from the current folder.
# Usage: scripts/function_lengths.sh [LIMIT] [DIR...]   (default: 80, src tools apps)
set -euo pipefail
limit=${1:-80}
shift || true
[ $# -gt 0 ] || set -- src tools apps
ctags -R --languages=C++ --kinds-C++=f --fields=+ne -x --_xformat='%{line} %{end} %{scope}::%N %F' "$@" 2>/dev/null |
  awk -v limit="$limit" '$2 != "" { n = $2 - $1 + 1; if (n > limit) print n, $3, $4 }' | sort -rn
