#!/usr/bin/env bash
# The installed package works from /usr: kelvane-cli prints its version,
# makes a thumbnail and has its manual page; the window, given a file on its
# command line, starts, reads that very file (seen with strace) and keeps
# running (offscreen, ended by timeout: exit 124) with nothing on standard
# error but the offscreen plugin's notes; `kelvane --help` prints its usage.
#   .ci/check_installed.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^project(Kelvane VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT

[ "$(/usr/bin/kelvane-cli --version)" = "kelvane-cli $version" ] || { echo "kelvane-cli --version is wrong" >&2; exit 1; }
/usr/bin/kelvane-cli thumbnail -s 64 "$root/samples/creature-format1-48x40.def" "$tmp/thumb.png"
[ -s "$tmp/thumb.png" ] || { echo "no thumbnail from the installed kelvane-cli" >&2; exit 1; }
for f in /usr/share/man/man1/kelvane.1.gz /usr/share/man/man1/kelvane-cli.1.gz \
         /usr/share/applications/io.github.kelvane.Kelvane.desktop /usr/share/thumbnailers/kelvane.thumbnailer \
         /usr/share/mime/packages/kelvane.xml /usr/share/metainfo/io.github.kelvane.Kelvane.metainfo.xml \
         /usr/share/bash-completion/completions/kelvane-cli; do
  [ -f "$f" ] || { echo "missing $f" >&2; exit 1; }
done
echo "ok: kelvane-cli $version from /usr/bin, a thumbnail, the desktop files"

# The window on a copy of a sample, so the path is ours alone.
file=$tmp/window-test-sprite.pcx
cp "$root/samples/sprite8-33x21.pcx" "$file"
mkdir -m 700 "$tmp/runtime"
run=(strace -f -qq -e trace=open,openat -o "$tmp/trace"
     env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$tmp/runtime")
set +e
(cd "$tmp" && "${run[@]}" timeout 15 /usr/bin/kelvane "$file" 2>"$tmp/stderr")
status=$?
set -e
[ "$status" -eq 124 ] || { echo "the window ended by itself (exit $status)" >&2; cat "$tmp/stderr" >&2; exit 1; }
# The offscreen plugin says what it cannot do ("This plugin does not
# support raise()"); anything else is a fault.
if grep -v '^This plugin does not support ' "$tmp/stderr" >&2; then
  echo "the window wrote the lines above to standard error" >&2; exit 1
fi
echo "ok: the window kept running for 15 s, nothing on standard error but the offscreen notes"
grep -q "open.*\"$file\", O_RDONLY" "$tmp/trace" || { echo "the window never read $file" >&2; exit 1; }
echo "ok: the window read $file"
help=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen timeout 15 /usr/bin/kelvane --help)
grep -q '^Usage: kelvane \[PATH\]' <<<"$help" || { echo "kelvane --help printed no usage" >&2; exit 1; }
echo "ok: kelvane --help"
