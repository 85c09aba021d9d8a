#!/usr/bin/env bash
# Runs the GUI and toolkit test programs again and again on a loaded machine.
#
#   tools/stress_gui_tests.sh BUILD_DIR [RUNS] [PROGRAM...]
#
# Starts two busy loops per core (STRESS_LOOPS overrides the count), runs each
# program RUNS times (default 20) one after the other, counts the runs that
# fail, and kills the busy loops however the script ends. Each run is cut off
# after STRESS_TIMEOUT seconds (default 300, the CTest timeout of the main
# window tests), so a hang counts as a failure instead of stalling the script.
# The output of every failed run is kept in BUILD_DIR/stress-logs/.
# Exit status: 0 when every run passed, 1 otherwise, 2 on bad usage.
set -uo pipefail

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 BUILD_DIR [RUNS] [PROGRAM...]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
runs=${2:-20}
shift $(($# >= 2 ? 2 : 1))
programs=("$@")
if [ ${#programs[@]} -eq 0 ]; then
  # Every Qt test program: the toolkit's, the browser's, the window's and the
  # test helpers' own.
  mapfile -t programs < <(find "$build/tests/ui" "$build/tests/browser" "$build/tests/gui" "$build/tests/support" \
    -maxdepth 1 -type f -perm -u+x \( -name 'ui_*_test' -o -name 'browser_tests' -o -name 'gui_*tests' \
    -o -name 'support_*tests' \) -printf '%f\n' | sort)
fi
loops=${STRESS_LOOPS:-$((2 * $(nproc)))}
limit=${STRESS_TIMEOUT:-300}
logs="$build/stress-logs"
mkdir -p "$logs"

# Find every program before loading the machine.
declare -A path
for p in "${programs[@]}"; do
  found=$(find "$build/tests" -type f -perm -u+x -name "$p" -print -quit)
  if [ -z "$found" ]; then
    echo "no program $p under $build/tests (built?)" >&2
    exit 2
  fi
  path[$p]=$found
done

busy=()
stop_loops() {
  for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${busy[@]}"; do wait "$pid" 2>/dev/null; done
  busy=()
}
trap stop_loops EXIT
trap 'exit 130' INT TERM HUP

for ((i = 0; i < loops; ++i)); do
  (while :; do :; done) &
  busy+=($!)
done
echo "load: $loops busy loops (pids ${busy[*]}) on $(nproc) cores; $runs runs per program; timeout ${limit}s"

declare -A failed seconds
total_failed=0
for p in "${programs[@]}"; do
  failed[$p]=0
  start=$SECONDS
  for ((run = 1; run <= runs; ++run)); do
    out=$(mktemp)
    # QT_QPA_PLATFORM as the CTest registration sets it; the test main adds
    # its screen configuration.
    (cd "$(dirname "${path[$p]}")" && QT_QPA_PLATFORM=offscreen timeout -k 10 "$limit" "${path[$p]}") >"$out" 2>&1
    rc=$?
    if [ $rc -ne 0 ]; then
      failed[$p]=$((failed[$p] + 1))
      kept="$logs/$p-run$run.log"
      mv "$out" "$kept"
      what="exit code $rc"
      [ $rc -eq 124 ] && what="timed out after ${limit}s"
      [ $rc -gt 128 ] && [ $rc -ne 124 ] && what="killed by signal $((rc - 128))"
      echo "  $p run $run: FAILED ($what), log $kept"
      grep -E '^\[  FAILED  \] [A-Za-z]' "$kept" | sort -u | sed 's/^/      /'
    else
      rm -f "$out"
    fi
  done
  seconds[$p]=$((SECONDS - start))
  total_failed=$((total_failed + failed[$p]))
  echo "$p: $((runs - failed[$p])) of $runs passed (${seconds[$p]}s)"
done

echo
printf '%-24s %5s %8s %8s\n' program runs failures seconds
for p in "${programs[@]}"; do printf '%-24s %5d %8d %8d\n' "$p" "$runs" "${failed[$p]}" "${seconds[$p]}"; done
[ $total_failed -eq 0 ]
