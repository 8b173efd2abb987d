#!/usr/bin/env bash
# Fails when a C++ file of the project does not follow the checked-in .clang-format.
# tools/check_format.sh --fix rewrites them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -d '' files < <(find src tests tools bench fuzz -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
if [ "${1:-}" = "--fix" ]; then
  clang-format-14 -i "${files[@]}"
  exit 0
fi
if ! clang-format-14 --dry-run --Werror "${files[@]}" 2>/tmp/vantrel-format.$$; then
  grep -E '^[^ ].*: (error|warning):' /tmp/vantrel-format.$$ | cut -d: -f1 | sort -u | sed 's/^/not formatted: /' >&2
  rm -f /tmp/vantrel-format.$$
  echo "Run tools/check_format.sh --fix (clang-format 14 with the checked-in .clang-format)." >&2
  exit 1
fi
rm -f /tmp/vantrel-format.$$
