#!/bin/sh
# Runs each libFuzzer binary for SECONDS seconds, seeded with the samples,
# the checked-in hostile inputs, the .pcx kind fixtures and (when present)
# the BMP Suite and PngSuite files.
#
#   tools/run_fuzzers.sh SECONDS [BUILD_DIR]
#
# BUILD_DIR is a build configured with -DKELVANE_BUILD_FUZZ=ON and clang++
# (default: build-fuzz beside this script's repository). New corpus entries
# go to BUILD_DIR/fuzz-corpus/<target>; crash inputs to
# BUILD_DIR/fuzz-artifacts/<target>/. Exits non-zero when any fuzzer failed.
set -u

if [ $# -lt 1 ]; then
  echo "usage: $0 SECONDS [BUILD_DIR]" >&2
  exit 2
fi
seconds=$1
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$repo/build-fuzz}
bmpsuite=$repo/../shared/corpus/bmpsuite
pngsuite=$repo/../shared/corpus/pngsuite

status=0
for target in read-bmp-stream read-plain-bmp-stream load-sprite lod-archive load-zsoft-pcx load-p32 load-pcx-file read-def \
    read-png parse-palette; do
  binary=$build/fuzz/kelvane-fuzz-$target
  if [ ! -x "$binary" ]; then
    echo "$binary is missing: configure with -DKELVANE_BUILD_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ and build" >&2
    exit 2
  fi
  corpus=$build/fuzz-corpus/$target
  artifacts=$build/fuzz-artifacts/$target
  mkdir -p "$corpus" "$artifacts"
  seeds="$repo/samples $repo/tests/corpus/inputs $repo/tests/corpus/archives $repo/tests/corpus/pcx-kinds"
  for sub in g q b; do
    [ -d "$bmpsuite/$sub" ] && seeds="$seeds $bmpsuite/$sub"
  done
  [ -d "$pngsuite" ] && seeds="$seeds $pngsuite"
  echo "== $target: $seconds s"
  # The readers may legitimately take up to a 1 GiB pixel block, so the
  # memory limits sit above it; -max_len lets seeds of the BMP Suite in whole.
  # shellcheck disable=SC2086
  if ! "$binary" "$corpus" $seeds -max_total_time="$seconds" -rss_limit_mb=4096 -malloc_limit_mb=2048 \
      -max_len=65536 -timeout=10 -print_final_stats=1 -artifact_prefix="$artifacts/"; then
    echo "== $target FAILED; inputs in $artifacts" >&2
    status=1
  fi
done
exit $status
