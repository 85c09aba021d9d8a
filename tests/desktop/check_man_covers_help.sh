#!/usr/bin/env bash
# Every option and every command line that PROGRAM --help shows appears in
# its manual page, as rendered.
set -euo pipefail
page=$1 program=$2
command -v man >/dev/null || { echo "man not installed"; exit 77; }
# A program that opens a window instead of printing its help is cut short.
help=$(timeout 30 "$program" --help) || { echo "$program --help failed or did not end"; exit 1; }
text=$(LC_ALL=C MANWIDTH=200 man -l "$page" 2>/dev/null | col -b)
name=$(basename "$program")
fails=0
# Option tokens: -x or --word, wherever the help shows them.
options=$(grep -oE '(^|[][ |,(])--?[a-zA-Z][a-zA-Z0-9-]*' <<<"$help" | sed -E 's/^[][ |,(]//' | sort -u)
[ -n "$options" ] || { echo "no options found in $name --help"; exit 1; }
for option in $options; do
  if grep -qE -- "(^|[^a-zA-Z0-9-])$option([^a-zA-Z0-9-]|$)" <<<"$text"; then :; else echo "missing option: $option"; fails=1; fi
done
# Command lines: "  NAME word word ..." up to the first option or argument.
while read -r usage; do
  [ -n "$usage" ] || continue
  if grep -qF -- "$usage" <<<"$text"; then :; else echo "missing command: $usage"; fails=1; fi
done < <(grep -E "^  $name( [a-z]+)+" <<<"$help" | grep -oE "^  $name( [a-z]+)+" | sed 's/^  //' | sort -u)
echo "checked $(wc -w <<<"$options") options of $name"
exit $fails
