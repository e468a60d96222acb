#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz, clang-14) and runs each for a
# bounded time on a copy of its seed corpus under build/fuzz/corpus-run, with
# leak detection. Fails on any crash, leak or sanitizer report; prints each
# target's executions and corpus size, and the total.
# FUZZ_SECONDS sets the time per target (default 8).
set -euo pipefail
cd "$(dirname "$0")/.."

# python3 writes the headers generated from tables/ while the build runs.
scripts/install-missing.sh clang-14 libclang-rt-14-dev python3

seconds=${FUZZ_SECONDS:-8}
targets=(reply_parser_fuzz backup_reply_fuzz link_frames_fuzz profile_fuzz registry_store_fuzz request_builders_fuzz)

# clang does not know gcc's -Wno-format-truncation that the project passes.
cmake --preset fuzz -DCMAKE_CXX_FLAGS=-Wno-unknown-warning-option >/dev/null
cmake --build build/fuzz -j2 --target zpos_fuzz

run=build/fuzz/corpus-run
rm -rf "$run"
mkdir -p "$run"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
total_execs=0
total_units=0
printf '%-24s %12s %8s\n' target executions corpus
for t in "${targets[@]}"; do
  mkdir -p "$run/$t" "$run/$t.artifacts"
  cp fuzz/corpus/"$t"/* "$run/$t"/ 2>/dev/null || true
  log="$run/$t.log"
  status=0
  # The timeout only guards against a hang the target itself failed to prevent.
  timeout $((seconds * 4 + 60)) build/fuzz/fuzz/"$t" -max_total_time="$seconds" -detect_leaks=1 \
    -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$run/$t.artifacts/" \
    "$run/$t" >"$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  execs=${execs:-0}
  units=$(find "$run/$t" -type f | wc -l)
  total_execs=$((total_execs + execs))
  total_units=$((total_units + units))
  printf '%-24s %12s %8s\n' "$t" "$execs" "$units"
  if [ "$status" -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$log"; then
    failed+=("$t")
    echo "--- $t failed (status $status); last lines of $log:" >&2
    tail -n 40 "$log" >&2
  fi
done
printf '%-24s %12s %8s\n' total "$total_execs" "$total_units"

echo "fuzz: $((${#targets[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failures in ${failed[*]}; inputs in $run/<target>.artifacts/" >&2
  exit 1
fi
echo "fuzz: no crash, leak or sanitizer report in ${#targets[@]} targets"
