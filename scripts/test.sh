#!/usr/bin/env bash
# Installs what is missing (Debian packages), then configures, builds and runs
# every test: the CI build with warnings as errors, the sanitizer build, then
# the Windows build under Wine, the fuzz targets and the memcheck run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-missing.sh cmake g++ make pkg-config binutils libgtest-dev libgmock-dev libbenchmark-dev \
  libhangul-dev

jobs=$(nproc 2>/dev/null || echo 2)
for preset in ci asan; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset" -j"$jobs"
done

# Each of these installs what it needs itself.
scripts/windows-tests.sh
scripts/fuzz.sh
scripts/valgrind.sh
