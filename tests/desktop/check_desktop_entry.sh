#!/usr/bin/env bash
# The desktop entry: desktop-file-validate says nothing, it passes a file,
# and every type it claims exists (ours, or one shared-mime-info defines).
set -euo pipefail
entry=$1 ours=$2
command -v desktop-file-validate >/dev/null || { echo "desktop-file-validate not installed"; exit 77; }
said=$(desktop-file-validate "$entry" 2>&1) || true
[ -z "$said" ] || { echo "desktop-file-validate: $said"; exit 1; }
grep -qx 'Exec=kelvane %f' "$entry" || { echo "Exec does not pass a file (%f)"; exit 1; }
system=/usr/share/mime/packages/freedesktop.org.xml
types=$(sed -n 's/^MimeType=//p' "$entry" | tr ';' '\n' | sed '/^$/d')
[ -n "$types" ] || { echo "no MimeType"; exit 1; }
for t in $types; do
  if grep -q "type=\"$t\"" "$ours"; then continue; fi
  if [ -f "$system" ] && grep -q "<\(mime-type\|alias\) type=\"$t\"" "$system"; then continue; fi
  [ -f "$system" ] || { echo "no $system to look $t up in"; exit 77; }
  echo "MimeType $t is defined nowhere"; exit 1
done
echo "ok: $(echo $types | wc -w) types"
