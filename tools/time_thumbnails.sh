#!/usr/bin/env bash
# Times kelvane-cli thumbnail as a file manager runs it: one process per
# file, one after another, at each size given.
#   tools/time_thumbnails.sh CLI DIR [SIZE...]     (sizes default: 128 256)
# DIR holds the inputs (tools/make_thumbnail_bench.py writes 1,000 sprites).
# Prints per size the files done, total seconds and milliseconds per file.
set -euo pipefail
cli=$1 dir=$2; shift 2
sizes=("$@"); [ ${#sizes[@]} -gt 0 ] || sizes=(128 256)
out=$(mktemp -d); trap 'rm -rf "$out"' EXIT
shopt -s nullglob
files=("$dir"/*)
[ ${#files[@]} -gt 0 ] || { echo "no files in $dir" >&2; exit 1; }
for size in "${sizes[@]}"; do
  failed=0
  start=$(date +%s.%N)
  for f in "${files[@]}"; do
    "$cli" thumbnail -s "$size" "$f" "$out/$(basename "$f").png" || failed=$((failed + 1))
  done
  end=$(date +%s.%N)
  made=$(find "$out" -name '*.png' | wc -l)
  awk -v s="$start" -v e="$end" -v n="${#files[@]}" -v size="$size" -v made="$made" -v failed="$failed" \
    'BEGIN { t = e - s; printf "size %s: %d files, %d thumbnails, %d failed, %.2f s, %.2f ms per file\n", size, n, made, failed, t, 1000 * t / n }'
  rm -f "$out"/*.png
done
