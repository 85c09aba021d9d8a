#!/usr/bin/env bash
# Screenshots of the real Kelvane window for the README, taken under Xvfb.
#
#   tools/make_screenshots.sh BUILD_DIR [OUT_DIR]
#
# Builds nothing: BUILD_DIR must already hold app/kelvane. Copies the
# samples into a temporary folder, starts the window there on a virtual
# 1024 x 768 screen and drives it with the mouse and keyboard like a user:
#   1. clicks a sprite in the file list      -> OUT_DIR/screenshot-sprite.png
#   2. picks "BMP images (*.bmp)" in the filter drop-down, clicks a 24-bit
#      BMP                                    -> OUT_DIR/screenshot-bmp-warning.png
#   3. opens the "Палитра" menu               -> OUT_DIR/screenshot-palette-menu.png
#   4. adds a ZSoft PCX image to the folder, picks "PCX sprites (*.pcx)"
#      again and clicks it                    -> OUT_DIR/screenshot-zsoft.png
#   5. double-clicks the archive Sprites.lod (40 sprites drawn by
#      tools/make_lod.py) in the folder list and clicks one of its entries
#                                             -> OUT_DIR/screenshot-archive.png
#   6. closes the window and starts it again as `kelvane FILE.def`: the
#      window opens in the DEF's folder with the DEF filter, the animation
#      selected and its first group playing in the preview
#                                             -> OUT_DIR/screenshot-def.png
# OUT_DIR defaults to docs/. Needs xvfb-run (xvfb, xauth), xdotool,
# ImageMagick (import, convert) and python3; CI does not run this.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
sprite=sprite8-33x21.pcx
bmp=bmp24-45x30.bmp
zsoft=zsoft24-45x30.pcx
archive=Sprites.lod
entry_row=3
def=creature-format1-48x40.def

# The window's fixed layout: the form keeps 2 pixels between its edge and
# the browser column; the filter drop-down is 19 pixels high at the bottom of
# the column, which is 137 pixels wide; file list rows are 14 pixels. The
# folder list right above the file list is 128 pixels high (134 snapped to
# whole rows of 16 pixels) and has the same frame.
edge=2
filter_height=19
column_width=137
row_height=14
folder_list_height=128
folder_row_height=16
# The menu bar: "Файл" first, then "Палитра"; a point inside the second.
palette_menu_x=70
menu_bar_y=10

die() { echo "make_screenshots: $*" >&2; exit 1; }

# Index of NAME among the files of DIR matching *.EXT, in the order of the
# file list. The list shows names in lower case, sorted by a collation that
# puts "-" before digits and digits before letters; for the sample names that
# is the same order as bytes.
row_of() {
  local dir=$1 ext=$2 name=$3
  local index
  index=$(find "$dir" -maxdepth 1 -type f -iname "*.$ext" -printf '%f\n' |
            tr '[:upper:]' '[:lower:]' | LC_ALL=C sort | grep -n -x -F -- "$name" | cut -d: -f1)
  [ -n "$index" ] || die "$name is not in $dir"
  echo $((index - 1))
}

# Top of the file list's interior, in window coordinates. Starts at a point
# surely inside the list (40 pixels above the filter drop-down, below the few
# sample lines) and walks up a pixel column just inside the list's left border
# while the colour stays the list's background.
file_list_top() {
  local shot=$1 height=$2
  local x=$((edge + 2)) y=$((height - edge - filter_height - 40))
  convert "$shot" -crop "1x$((y + 1))+$x+0" +repage txt:- |
    awk -F'[ ,:]+' -v start="$y" '
      /^#/ { next }
      { colour[$2] = $0; sub(/.*#/, "", colour[$2]); sub(/ .*/, "", colour[$2]) }
      END {
        base = colour[start]; y = start
        while (y > 0 && colour[y - 1] == base) y--
        print y
      }'
}

shoot() {  # shoot OUTPUT: the window alone, without the pointer over it
  xdotool mousemove 0 0
  sleep 0.5
  import -window root "$work/root.png"
  convert "$work/root.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip \
    -define png:exclude-chunks=date,time "$1"
  echo "wrote $1"
}

click() {  # click X Y, in window coordinates
  xdotool mousemove $((X + $1)) $((Y + $2)) click 1
  sleep 0.6
}

# Waits for the window of the kelvane started last (app_pid) and sets the
# caller's window, X, Y, WIDTH and HEIGHT.
find_window() {
  local _
  window=""
  for _ in $(seq 50); do
    window=$(xdotool search --name '^Kelvane \(' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    kill -0 "$app_pid" 2>/dev/null || die "kelvane ended before its window appeared"
    sleep 0.2
  done
  [ -n "$window" ] || die "no Kelvane window after 10 s"
  sleep 1  # first paint and the first refresh ticks
  eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(X|Y|WIDTH|HEIGHT)=[0-9]+$')"
  echo "window $window at ${X},${Y}, ${WIDTH} x ${HEIGHT}"
}

inside_xvfb() {
  local kelvane=$1
  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"

  (cd "$work/samples" && exec "$kelvane") &
  app_pid=$!
  trap 'kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true' EXIT

  local window="" X Y WIDTH HEIGHT
  find_window

  import -window root "$work/start.png"
  convert "$work/start.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/start-window.png"
  local list_top
  list_top=$(file_list_top "$work/start-window.png" "$HEIGHT")
  echo "file list rows start at y=$list_top"
  local line_x=$((edge + 40))

  # A sprite: the PCX panel, its size and format, the preview.
  local row
  row=$(row_of "$work/samples" pcx "$sprite")
  click "$line_x" $((list_top + row * row_height + row_height / 2))
  shoot "$out/screenshot-sprite.png"

  # The filter drop-down's second entry, then a 24-bit BMP: the BMP panel with
  # the red status line and the warning frame. The popup opens on the current
  # entry; one line down is "BMP images (*.bmp)".
  click $((edge + column_width / 2)) $((HEIGHT - edge - filter_height / 2 - 1))
  xdotool key Down
  sleep 0.2
  xdotool key Return
  sleep 0.6
  row=$(row_of "$work/samples" bmp "$bmp")
  click "$line_x" $((list_top + row * row_height + row_height / 2))
  shoot "$out/screenshot-bmp-warning.png"

  # The "Палитра" menu, the second entry of the menu bar at the top of the
  # window, open over the BMP panel.
  xdotool mousemove $((X + palette_menu_x)) $((Y + menu_bar_y)) click 1
  sleep 0.6
  import -window root "$work/root.png"
  convert "$work/root.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip \
    -define png:exclude-chunks=date,time "$out/screenshot-palette-menu.png"
  echo "wrote $out/screenshot-palette-menu.png"
  xdotool key Escape

  # A ZSoft PCX image under ".pcx": copied in only now, so the first two
  # pictures show the samples alone; going back to the first filter entry
  # lists the folder again.
  cp "$root/tests/corpus/pcx-kinds/$zsoft" "$work/samples/"
  click $((edge + column_width / 2)) $((HEIGHT - edge - filter_height / 2 - 1))
  xdotool key Up
  sleep 0.2
  xdotool key Return
  sleep 0.6
  row=$(row_of "$work/samples" pcx "$zsoft")
  click "$line_x" $((list_top + row * row_height + row_height / 2))
  shoot "$out/screenshot-zsoft.png"

  # The archive: the folder list holds the chain of the samples folder (one
  # row per part of its path, the drive first), no subfolders, then the
  # archive. A double-click opens it; the file list then shows its entries.
  local parts
  parts=$(($(tr -cd '/' <<<"$work/samples" | wc -c) + 1))
  local folder_y=$((list_top - folder_list_height + parts * folder_row_height + folder_row_height / 2))
  xdotool mousemove $((X + line_x)) $((Y + folder_y)) click --repeat 2 --delay 100 1
  sleep 1
  click "$line_x" $((list_top + entry_row * row_height + row_height / 2))
  shoot "$out/screenshot-archive.png"

  # A DEF animation named on the command line. The first window goes; the
  # new one opens in the DEF's folder with the file selected and plays its
  # first group (the picture catches one of its frames).
  kill "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  (cd "$work/samples" && exec "$kelvane" "$work/samples/$def") &
  app_pid=$!
  find_window
  shoot "$out/screenshot-def.png"
}

if [ "${1:-}" = "--inside-xvfb" ]; then
  work=$2 out=$3
  inside_xvfb "$4"
  exit 0
fi

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 BUILD_DIR [OUT_DIR]" >&2
  exit 2
fi
[ -d "$1" ] || die "no build directory $1"
kelvane=$(cd "$1" && pwd)/app/kelvane
[ -x "$kelvane" ] || die "$kelvane is missing; build first (tools/dev.sh run or cmake --build)"
mkdir -p "${2:-$root/docs}"
out=$(cd "${2:-$root/docs}" && pwd)
for tool in xvfb-run xdotool import convert python3; do
  command -v "$tool" >/dev/null || die "$tool is missing (apt-get install xvfb xauth xdotool imagemagick python3)"
done

work=$(mktemp -d -t kelvane.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/samples"
cp "$root"/samples/*.pcx "$root"/samples/*.bmp "$root"/samples/*.def "$work/samples/"
python3 "$root/tools/make_lod.py" bench --out "$work/samples/$archive" --count 40 >/dev/null

xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --inside-xvfb "$work" "$out" "$kelvane"
