#!/usr/bin/env bash
# The MIME definitions installed into a database of their own beside the
# system's: archives and animations are told by name and by content, a
# sprite stays the existing PCX type, a text file named .def is not taken
# for an animation by content alone.
set -euo pipefail
ours=$1 samples=$2
for tool in update-mime-database mimetype; do
  command -v $tool >/dev/null || { echo "$tool not installed"; exit 77; }
done
system=/usr/share/mime/packages/freedesktop.org.xml
[ -f "$system" ] || { echo "shared-mime-info not installed"; exit 77; }
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/mime/packages" "$tmp/files"
cp "$system" "$tmp/mime/packages/"
cp "$ours" "$tmp/mime/packages/kelvane.xml"
# update-mime-database refuses a file that breaks the format.
said=$(XDG_DATA_HOME="$tmp" XDG_DATA_DIRS="$tmp" update-mime-database "$tmp/mime" 2>&1) || { echo "$said"; exit 1; }
[ -z "$said" ] || { echo "update-mime-database: $said"; exit 1; }

f=$tmp/files
cp "$samples/creature-format1-48x40.def" "$f/anim.def"
cp "$samples/creature-format1-48x40.def" "$f/anim-no-extension"
cp "$samples/terrain-format2-32x32.def" "$f/TERRAIN.DEF"
printf 'LOD\0\1\0\0\0\0\0\0\0' > "$f/a.lod"
printf 'LOD\0\1\0\0\0\0\0\0\0' > "$f/b.pac"
printf 'LOD\0\1\0\0\0\0\0\0\0' > "$f/archive-no-extension"
cp "$samples/sprite8-7x9.pcx" "$f/sprite.pcx"
printf '@\0\0\0\0\0\1\0' > "$f/small-number-no-extension"   # 0x40 then a width of 65536
fails=0
while read -r name want; do
  got=$(XDG_DATA_HOME="$tmp" XDG_DATA_DIRS="$tmp" mimetype -b "$f/$name")
  if [ "$got" = "$want" ]; then echo "ok: $name is $got"; else echo "FAIL: $name is $got, not $want"; fails=1; fi
done <<'LIST'
anim.def image/x-heroes3-def
anim-no-extension image/x-heroes3-def
TERRAIN.DEF image/x-heroes3-def
a.lod application/x-heroes3-lod
b.pac application/x-heroes3-lod
archive-no-extension application/x-heroes3-lod
sprite.pcx image/vnd.zbrush.pcx
small-number-no-extension application/octet-stream
LIST
exit $fails
