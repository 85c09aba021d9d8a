#!/usr/bin/env bash
# The completion function driven as bash drives it: COMP_WORDS and
# COMP_CWORD set, the function called, COMPREPLY compared.
set -uo pipefail
script=$1
# shellcheck disable=SC1090
source "$script"
declare -F _kelvane_cli >/dev/null || { echo "no _kelvane_cli"; exit 1; }
complete -p kelvane-cli >/dev/null || { echo "not registered for kelvane-cli"; exit 1; }
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
cd "$dir" && mkdir sub && touch a.pcx B.PCX c.bmp d.png e.def f.lod G.PAC h.manifest notes.txt
fails=0
check() {  # WANT WORDS...: WANT is the sorted replies, space-separated
  local want=$1; shift
  COMP_WORDS=("$@"); COMP_CWORD=$(( $# - 1 )); COMPREPLY=()
  _kelvane_cli 2>/dev/null
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
  if [ "$got" = "$want" ]; then echo "ok: $*"; else echo "FAIL: $* => '$got', not '$want'"; fails=1; fi
}
check "--help --version convert def info lod thumbnail" kelvane-cli ""
check "thumbnail" kelvane-cli th
check "B.PCX a.pcx c.bmp d.png e.def sub" kelvane-cli convert ""
check "--to --to8" kelvane-cli convert --t
check "bmp pcx png" kelvane-cli convert --to ""
check "bmp png" kelvane-cli def extract --to ""
check "sub" kelvane-cli convert --to png -o ""
check "add extract list remove" kelvane-cli lod ""
check "G.PAC f.lod sub" kelvane-cli lod list ""
check "B.PCX a.pcx c.bmp d.png e.def sub" kelvane-cli lod add f.lod ""
check "h.manifest sub" kelvane-cli def build ""
check "e.def sub" kelvane-cli def build h.manifest -o ""
check "e.def sub" kelvane-cli def info ""
check "128" kelvane-cli thumbnail -s 12
check "24 8" kelvane-cli convert --depth ""
exit $fails
