#!/usr/bin/env bash
# The README's picture of thumbnails: the real `kelvane-cli thumbnail -s 128`
# run over a few samples, each thumbnail laid on a grey checkerboard (so the
# transparent index 0 shows) and labelled with its file name, composed into
# one grid with ImageMagick. No file manager runs headless, so this stands
# in for a file manager's window; the thumbnails themselves are exactly what
# the thumbnailer writes.
#   tools/make_thumbnail_screenshot.sh CLI [OUT.png]   (default docs/screenshot-thumbnails.png)
# Needs python3 and ImageMagick (convert, montage).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=$1 out=${2:-$root/docs/screenshot-thumbnails.png}
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT

python3 "$root/tools/make_thumbnail_bench.py" "$tmp/bench" 10
cp "$tmp/bench/sprite0004.pcx" "$tmp/portrait-150x175.pcx"
cp "$tmp/bench/sprite0006.pcx" "$tmp/panel-320x240.pcx"
cp "$tmp/bench/sprite0009.pcx" "$tmp/sprite24-96x64.pcx"
cp "$root/samples/creature-format1-48x40.def" "$tmp/creature.def"
cp "$root/samples/mapobject-format3-96x64.def" "$tmp/mapobject.def"
inputs=(
  "$tmp/portrait-150x175.pcx" "$tmp/panel-320x240.pcx" "$tmp/sprite24-96x64.pcx"
  "$tmp/creature.def" "$tmp/mapobject.def"
  "$root/samples/sprite8-33x21.pcx" "$root/tests/corpus/pcx-kinds/zsoft24-45x30.pcx"
  "$root/tests/corpus/pcx-kinds/p32-41x31.pcx" "$root/samples/bmp24-45x30.bmp"
)
cells=()
for input in "${inputs[@]}"; do
  name=$(basename "$input")
  "$cli" thumbnail -s 128 "$input" "$tmp/$name.png"
  # 128 x 128 checkerboard, the thumbnail centred on it.
  convert -size 128x128 pattern:checkerboard -fill '#00000000' \
    "$tmp/$name.png" -gravity center -composite "$tmp/cell-$name.png"
  cells+=(-label "$name" "$tmp/cell-$name.png")
done
montage "${cells[@]}" -font DejaVu-Sans -pointsize 12 -tile 5x -geometry 128x128+24+8 \
  -background '#f4f4f4' "$out"
echo "wrote $out"
