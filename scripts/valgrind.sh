#!/usr/bin/env bash
# Memcheck over the whole transactions: the end-to-end, fault matrix, host
# link and backup route tests under valgrind, failing on any invalid read or
# write, use of uninitialised bytes, or memory definitely or indirectly lost.
#
# Installs valgrind when missing. Environment:
#   ZPOS_NATIVE_BUILD  build directory to test (default build/ci; configured
#                      and built when it is not)
set -euo pipefail
cd "$(dirname "$0")/.."

# python3 writes the headers generated from tables/ while the build runs.
scripts/install-missing.sh valgrind python3

build=${ZPOS_NATIVE_BUILD:-build/ci}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset ci
fi
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)"

tests=(
  tests/entry/entry_end_to_end_test
  tests/entry/entry_fault_matrix_test
  tests/backup/backup_end_to_end_test
  tests/link/link_test
)
failed=0
for t in "${tests[@]}"; do
  log="$build/memcheck-$(basename "$t").log"
  start=$(date +%s)
  if valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect \
       --track-origins=yes --log-file="$log" "$build/$t" --gtest_brief=1 >"$log.out" 2>&1; then
    echo "memcheck ok   $(basename "$t") ($(($(date +%s) - start)) s)"
  else
    failed=$((failed + 1))
    echo "memcheck FAIL $(basename "$t"): see $log and $log.out"
    tail -n 40 "$log" "$log.out"
  fi
done
echo "memcheck: $((${#tests[@]} - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
