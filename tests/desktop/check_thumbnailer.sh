#!/usr/bin/env bash
# The thumbnailer entry as a file manager reads it: its keys, and its Exec
# line run with %s, %i and %o replaced, on a sprite and an animation.
set -euo pipefail
entry=$1 cli=$2 samples=$3
head -1 "$entry" | grep -qx '\[Thumbnailer Entry\]' || { echo "no [Thumbnailer Entry] group"; exit 1; }
grep -qx 'TryExec=kelvane-cli' "$entry" || { echo "TryExec is not kelvane-cli"; exit 1; }
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ "$exec_line" = 'kelvane-cli thumbnail -s %s %i %o' ] || { echo "unexpected Exec: $exec_line"; exit 1; }
grep -q '^MimeType=.*image/x-heroes3-def;' "$entry" || { echo "MimeType lacks the DEF type"; exit 1; }
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
for input in sprite8-33x21.pcx creature-format1-48x40.def; do
  out=$tmp/$input.png
  cmd=${exec_line//%s/16}; cmd=${cmd//%i/$samples/$input}; cmd=${cmd//%o/$out}
  cmd=${cmd/#kelvane-cli/$cli}
  $cmd
  [ "$(head -c 8 "$out" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || { echo "$input: no PNG written"; exit 1; }
  echo "ok: $input"
done
