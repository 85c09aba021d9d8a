#!/usr/bin/env bash
# Each manual page renders without a single warning from man and groff.
set -euo pipefail
command -v man >/dev/null || { echo "man not installed"; exit 77; }
fails=0
for page in "$@"; do
  said=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || { echo "$page: man failed"; fails=1; }
  if [ -n "$said" ]; then echo "$page:"; echo "$said"; fails=1; else echo "ok: $page"; fi
done
exit $fails
