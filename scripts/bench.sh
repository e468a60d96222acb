#!/usr/bin/env bash
# Builds the benchmarks (preset ci) and runs them, then counts the system calls
# of one card approval with Zelta_Ack beside the bare client's: strace follows
# the benchmark's own thread (not the host simulator's) over two fixed
# iteration counts, and the difference divided by the extra iterations leaves
# set-up out; the time of the library's first dlopen in a fresh process.
# Then zpos-agent against zpos-host (bench/agent/agent_bench.py):
# its overhead per approval and acknowledgement over the same library calls,
# status requests a second while a call runs, events to 100 subscribers, and
# its memory over 10,000 transactions. Installs strace, wrk and what the agent
# needs when missing. Performance is reported here, never asserted in tests.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-missing.sh strace wrk libboost-dev nlohmann-json3-dev libsqlite3-dev libssl-dev python3-requests \
  python3-websocket

[ -f build/ci/CMakeCache.txt ] || cmake --preset ci >/dev/null
cmake --build build/ci -j"$(nproc 2>/dev/null || echo 2)" --target zpos_bench_link zpos_bench_reply \
  zpos_bench_first_load ZPosApp zpos-agent zpos-host >/dev/null
bench=build/ci/bench

"$bench/zpos_bench_link"
"$bench/zpos_bench_reply"

# calls NAME ITERATIONS OUT: strace's summary of NAME run exactly ITERATIONS times.
calls() {
  ZPOS_BENCH_ITERATIONS=$2 strace -c -o "$3" "$bench/zpos_bench_link" --benchmark_filter="^$1/" >/dev/null 2>&1
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
low=200
high=1200
echo
echo "system calls per transaction (benchmark thread; $((high - low)) iterations counted)"
for name in BM_CardApprovalAndAck BM_BareClientSameRoundTrips; do
  calls "$name" "$low" "$tmp/low"
  calls "$name" "$high" "$tmp/high"
  # Per system call: (calls at high - calls at low) / (high - low).
  awk -v n=$((high - low)) -v name="$name" '
    FNR == 1 { file++ }
    $1 ~ /^[0-9.]+$/ && $NF != "total" { c[$NF, file] = $4; seen[$NF] = 1 }
    END {
      total = 0; line = ""
      for (s in seen) {
        d = (c[s, 2] - c[s, 1]) / n
        if (d >= 0.05) { line = line sprintf(" %s %.1f", s, d); total += d }
      }
      printf "%-30s %6.1f  (%s )\n", name, total, line
    }' "$tmp/low" "$tmp/high"
done

# What a POS pays at start: one dlopen per fresh process, 200 processes.
echo
for _ in $(seq 200); do "$bench/zpos_bench_first_load" build/ci/libZPosApp.so; done | sort -n |
  awk '{ t[NR] = $1 } END { printf "first dlopen of libZPosApp.so: median %d us, 10th percentile %d us, 90th %d us\n",
    t[int(NR / 2)], t[int(NR / 10)], t[int(NR * 9 / 10)] }'

echo
/usr/bin/python3 bench/agent/agent_bench.py --build build/ci
