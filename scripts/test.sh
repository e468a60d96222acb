#!/usr/bin/env bash
# Installs what is missing (Debian packages), then configures, builds and runs
# every test: the CI build with warnings as errors, the sanitizer build, then
# the Windows build under Wine, the fuzz targets and the memcheck run, each
# when its script is present.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make pkg-config binutils libgtest-dev libgmock-dev libbenchmark-dev libhangul-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)
for preset in ci asan; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset" -j"$jobs"
done

# Each of these installs what it needs itself.
for extra in scripts/windows-tests.sh scripts/fuzz.sh scripts/valgrind.sh; do
  if [ -x "$extra" ]; then
    "$extra"
  fi
done
