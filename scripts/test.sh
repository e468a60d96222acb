#!/usr/bin/env bash
# Installs what is missing (Debian packages), then runs every stage of the test
# suite (listed at the end), each even when an earlier one failed, its output
# kept in build/test-logs/. The last line counts the tests of all stages:
# "N passed, M failed"; exit status 0 only when nothing failed.
set -uo pipefail
cd "$(dirname "$0")/.."

# The binding tests: pytest and pip for the system Python, mono's compiler and
# runtime with its CJK encodings (code page 949) for C#.
scripts/install-missing.sh cmake g++ make pkg-config binutils libgtest-dev libgmock-dev libbenchmark-dev \
  libhangul-dev python3-pytest python3-pip mono-mcs mono-runtime libmono-i18n-cjk4.0-cil || exit 1
# zpos-agent and its API tests: Boost.Beast/Asio, nlohmann-json, SQLite and
# OpenSSL's hash to build it; requests and websocket-client to test it.
scripts/install-missing.sh libboost-dev nlohmann-json3-dev libsqlite3-dev libssl-dev python3-requests \
  python3-websocket || exit 1
# The agent's service and API description tests: systemd-analyze, promtool,
# a JSON Schema validator and a YAML reader.
scripts/install-missing.sh systemd prometheus python3-jsonschema python3-yaml || exit 1
# The web client and the demo page: Node and npm, the `ws` package for a Node
# without a WebSocket of its own, headless Chromium driven through selenium,
# and a Hangul font for the page's screenshots. A Node from elsewhere brings its
# own npm, which Debian's npm package would conflict with.
scripts/install-missing.sh nodejs node-ws chromium chromium-driver python3-selenium fonts-nanum || exit 1
command -v npm >/dev/null || scripts/install-missing.sh npm || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
logs=build/test-logs
mkdir -p "$logs"
passed=0
failed=0
summary=()

# Counts of one stage's log: its last "N passed, M failed" line, else CTest's
# "X% tests passed, F tests failed out of T", else the stage as one test.
count_stage() {
  local log=$1 status=$2 line p f
  line=$(grep -aoE '[0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    p=${line%% passed*}
    f=${line#*passed, }
    f=${f%% failed*}
  else
    line=$(grep -aoE '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
    if [ -n "$line" ]; then
      f=${line%% tests*}
      p=$((${line##* } - f))
    else
      p=0
      f=0
    fi
  fi
  # A stage that failed without a failing test (a build error, say) counts as one.
  if [ "$status" -ne 0 ] && [ "$f" -eq 0 ]; then f=1; fi
  if [ "$status" -eq 0 ] && [ "$p" -eq 0 ] && [ "$f" -eq 0 ]; then p=1; fi
  echo "$p $f"
}

# stage NAME COMMAND...: runs the command, output to the terminal and to the log.
stage() {
  local name=$1 start status p f
  shift
  start=$(date +%s)
  echo "==== $name"
  "$@" 2>&1 | tee "$logs/$name.log"
  status=${PIPESTATUS[0]}
  read -r p f < <(count_stage "$logs/$name.log" "$status")
  passed=$((passed + p))
  failed=$((failed + f))
  summary+=("$(printf '%-10s %4d passed, %3d failed, %4d s' "$name" "$p" "$f" $(($(date +%s) - start)))")
}

ctest_preset() {
  cmake --preset "$1" && cmake --build --preset "$1" -j"$jobs" && ctest --preset "$1" -j"$jobs"
}

# The thread tests alone under ThreadSanitizer: only their program is built.
tsan_threads() {
  cmake --preset tsan && cmake --build --preset tsan -j"$jobs" && ctest --preset tsan
}

stage ci ctest_preset ci
stage asan ctest_preset asan
stage tsan tsan_threads
# Each of these installs what it needs itself.
stage windows scripts/windows-tests.sh
stage release scripts/windows-release.sh
stage fuzz scripts/fuzz.sh
stage memcheck scripts/valgrind.sh
# A CI machine is the run's own: packages a failed earlier run left there are
# replaced. On a developer's machine the stage refuses to purge what it finds.
stage package env ZPOS_PACKAGE_TESTS_REPLACE="${CI:+1}" scripts/package-tests.sh

echo
printf '%s\n' "${summary[@]}"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
