#!/usr/bin/env bash
# Kelvane's developer entry point.
#   tools/dev.sh run   install what is missing, build, run the program
#   tools/dev.sh test  install what is missing, build, run every test
# Both work on a fresh Debian 12 machine as root (or with sudo).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
jobs=$(nproc 2>/dev/null || echo 2)

packages=(
  cmake g++ ninja-build ccache pkg-config
  qt6-base-dev qt6-wayland qt6-translations-l10n fonts-liberation2
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-pil
  clang libclang-rt-14-dev
  xvfb xauth
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_WERROR=ON "$@"
  cmake --build "$build" -j "$jobs"
}

# The window when there is a display to show it on (X11, or Wayland through
# Qt's wayland plugin); otherwise the command-line converter on the samples,
# so that "run" shows the program working on any machine.
run_main_job() {
  local cli="$build/cli/kelvane-cli" out="$build/samples-out"
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$build/app/gui/kelvane"
  fi
  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set):" \
       "running the command-line converter on the samples instead."
  mkdir -p "$out"
  "$cli" info "$root"/samples/*
  "$cli" convert --to bmp -o "$out" "$root"/samples/*.pcx
  "$cli" convert --to8 --to pcx -o "$out" "$root"/samples/*.bmp
  echo "Converted files are in $out"
}

run_tests() {
  (cd "$build" && ctest --output-on-failure -j "$jobs")

  # Core, fuzz targets and replays once more under AddressSanitizer and
  # UndefinedBehaviorSanitizer, then each fuzzer briefly.
  local asan="$root/build-asan"
  CC=clang CXX=clang++ cmake -S "$root" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKELVANE_WERROR=ON -DKELVANE_WITH_QT=OFF -DKELVANE_SANITIZE=ON -DKELVANE_BUILD_FUZZ=ON
  cmake --build "$asan" -j "$jobs"
  (cd "$asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$jobs")
  if [ -x "$root/tools/run_fuzzers.sh" ] || [ -f "$root/tools/run_fuzzers.sh" ]; then
    bash "$root/tools/run_fuzzers.sh" "${KELVANE_FUZZ_SECONDS:-60}" "$asan"
  fi
}

case "${1:-}" in
  run)
    install_missing
    configure_and_build
    run_main_job
    ;;
  test)
    install_missing
    configure_and_build -DKELVANE_BUILD_TESTS=ON
    run_tests
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
