#!/usr/bin/env bash
# Kelvane's developer entry point.
#   tools/dev.sh run   install what is missing, build the window and the
#                      command line, run the program
#   tools/dev.sh test  install what is missing, build everything, run every test
#   tools/dev.sh package
#                      install what is missing, build a Release tree in
#                      build/package and make build/kelvane_<version>_<arch>.deb
#                      with CPack, then check it with lintian
# Both work on a fresh Debian 12 machine as root (or with sudo).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
jobs=$(nproc 2>/dev/null || echo 2)

# What building and running the two programs needs.
run_packages=(
  cmake g++ ninja-build ccache pkg-config
  libpng-dev zlib1g-dev
  qt6-base-dev qt6-wayland qt6-translations-l10n fonts-liberation2
)
# What the tests, the sanitizer build and the fuzzers need on top.
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-pil imagemagick
  clang libclang-rt-14-dev
  xvfb xauth
  desktop-file-utils appstream man-db bash-completion shared-mime-info libfile-mimeinfo-perl
)
# What making and checking the Debian package needs on top of run_packages:
# dpkg-shlibdeps (dpkg-dev) and file work out the dependencies, lintian
# checks the result.
package_packages=(
  dpkg-dev file lintian
)

install_missing() {
  local missing=()
  for p in "$@"; do
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

configure() {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_WERROR=ON "$@"
}

# The window when there is a display to show it on (X11, or Wayland through
# Qt's wayland plugin); otherwise the command-line converter on the samples,
# so that "run" shows the program working on any machine.
run_main_job() {
  local cli="$build/cli/kelvane-cli" out="$build/samples-out"
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$build/app/kelvane"
  fi
  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set):" \
       "running the command-line converter on the samples instead."
  # The samples by kind: sprites one way, BMP files the other.
  local sprites=() bitmaps=()
  shopt -s nullglob nocaseglob
  sprites=("$root"/samples/*.pcx)
  bitmaps=("$root"/samples/*.bmp)
  shopt -u nullglob nocaseglob
  if [ ${#sprites[@]} -eq 0 ] || [ ${#bitmaps[@]} -eq 0 ]; then
    echo "samples/ holds no sprites or no BMP files" >&2
    exit 1
  fi
  mkdir -p "$out"
  "$cli" info "${sprites[@]}" "${bitmaps[@]}"
  "$cli" convert --to bmp -o "$out" "${sprites[@]}"
  "$cli" convert --to8 --to pcx -o "$out" "${bitmaps[@]}"
  echo "Converted files are in $out"
}

run_tests() {
  (cd "$build" && ctest --output-on-failure -j "$jobs")

  # Core, fuzz targets and replays once more under AddressSanitizer and
  # UndefinedBehaviorSanitizer, then each fuzzer briefly.
  local asan="$root/build-asan"
  CC=clang CXX=clang++ cmake -S "$root" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKELVANE_WERROR=ON -DKELVANE_WITH_QT=OFF -DKELVANE_SANITIZE=ON -DKELVANE_BUILD_FUZZ=ON \
    -DKELVANE_BUILD_TESTS=ON
  cmake --build "$asan" -j "$jobs"
  (cd "$asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$jobs")
  bash "$root/tools/run_fuzzers.sh" "${KELVANE_FUZZ_SECONDS:-60}" "$asan"
}

case "${1:-}" in
  run)
    install_missing "${run_packages[@]}"
    configure
    # Only what runs: the window and the command line, not the tests.
    cmake --build "$build" -j "$jobs" --target kelvane kelvane-cli
    run_main_job
    ;;
  test)
    install_missing "${run_packages[@]}" "${test_packages[@]}"
    configure -DKELVANE_BUILD_TESTS=ON
    cmake --build "$build" -j "$jobs"
    run_tests
    ;;
  package)
    install_missing "${run_packages[@]}" "${package_packages[@]}"
    # Warnings are gated by the test builds; at -O3, GCC 12 reports false
    # -Wrestrict overlaps inside std::string's operator+ (GCC bug 105329), so
    # they are not errors here.
    cmake -S "$root" -B "$build/package" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVANE_WERROR=OFF \
      -DKELVANE_BUILD_TESTS=OFF \
      "-DCMAKE_CXX_FLAGS=-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
      "-DCMAKE_EXE_LINKER_FLAGS=-Wl,-z,relro,-z,now"
    cmake --build "$build/package" -j "$jobs"
    rm -f "$build"/kelvane_*.deb
    (cd "$build/package" && cpack -G DEB -B "$build")
    deb=$(ls "$build"/kelvane_*.deb)
    echo "== $deb: $(stat -c %s "$deb") bytes"
    dpkg-deb --field "$deb"
    # Errors fail the step; warnings and notes are shown.
    lintian --fail-on error --display-info "$deb"
    ;;
  *)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
