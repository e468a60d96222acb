#!/usr/bin/env bash
# The Windows builds' checks (tests/windows/checks.cmake): cross-builds the
# 32- and 64-bit trees with mingw-w64 and runs each tree's CTest checks under
# Wine, in a prefix of this checkout's own (build/wine) with one wineserver for
# the whole run. Installs the Debian packages it needs.
#   ZPOS_NATIVE_BUILD  native build for zpos-host and the reference run
#                      (default build/ci; configured when it is not)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
t0=$(date +%s)
note() { echo "---- $* ($(($(date +%s) - t0)) s)"; }

# ---- Packages ----
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if ! dpkg -s wine32:i386 >/dev/null 2>&1 && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
scripts/install-missing.sh cmake g++ make gzip wine wine64 wine32:i386 clang-14 lld-14 llvm-14 \
  gcc-mingw-w64-i686 g++-mingw-w64-i686 binutils-mingw-w64-i686 \
  gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 \
  libboost-dev nlohmann-json3-dev python3-pytest python3-requests python3-websocket
note packages

# One run at a time in this checkout.
mkdir -p build/wine
exec 9>build/wine/lock
flock 9
cleanup() {
  local p
  set +e
  for p in win32 win64; do [ -d "build/wine/$p" ] && WINEPREFIX=$root/build/wine/$p wineserver -k 2>/dev/null; done
  return 0
}
trap cleanup EXIT

# ---- Builds ----
nat=${ZPOS_NATIVE_BUILD:-build/ci}
if [ ! -f "$nat/CMakeCache.txt" ]; then
  if [ "$nat" = build/ci ]; then
    cmake --preset ci >/dev/null
  else
    cmake -S . -B "$nat" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZPOS_WERROR=ON -DZPOS_BUILD_BENCH=OFF >/dev/null
  fi
fi
cmake --build "$nat" -j2 --target zpos-host zpos regfill ZPosApp SignPad_dll
case $nat in /*) ;; *) nat=$root/$nat ;; esac
for preset in mingw mingw64; do
  cmake --preset $preset -DZPOS_NATIVE_BUILD="$nat" >/dev/null
done
cmake --build --preset mingw -j2
# The 64-bit agent is built and checked by the release (scripts/windows-release.sh).
cmake --build --preset mingw64 -j2 --target ZPosApp winpos winunit SignPad_dll BACKUPDLL regfill
note builds

# ---- Wine ----
export WINEDEBUG=-all
# No Mono or Gecko prompts; no display: the null driver still makes the
# message boxes that winpos closes.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# use_prefix win32|win64: that prefix from now on (made the first time), its
# wineserver up until the end, the security store empty.
use_prefix() {
  export WINEPREFIX=$root/build/wine/$1 WINEARCH=$1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    note "making the Wine prefix build/wine/$1"
    rm -rf "$WINEPREFIX"
    timeout 300 wineboot -i >"build/wine/wineboot-$1.log" 2>&1 || { cat "build/wine/wineboot-$1.log"; exit 1; }
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
    wineserver -w || true
  fi
  # Wine's background programs start here: one started by a test would hold
  # CTest's output pipe open.
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
  wine reg delete 'HKCU\SOFTWARE\VAN_POS_SECURITY' /f >/dev/null 2>&1 || true
}

# ---- The checks; both runs' counts make the last line ----
passed=0
failed=0
for run in mingw:win32 mingw64:win64; do
  preset=${run%%:*}
  use_prefix "${run#*:}"
  note "$preset: ctest"
  set +e
  skip=()  # the 64-bit agent is built and checked by the release
  [ "$preset" = mingw64 ] && skip=(-E '^pe_agent_imports$')
  ctest --preset "$preset" -j2 "${skip[@]}" 2>&1 | tee "build/$preset/windows-checks.log"
  set -e
  line=$(grep -aoE '[0-9]+ tests failed out of [0-9]+' "build/$preset/windows-checks.log" | tail -n 1)
  if [ -n "$line" ]; then
    failed=$((failed + ${line%% tests*}))
    passed=$((passed + ${line##* } - ${line%% tests*}))
  else
    failed=$((failed + 1))
  fi
  wineserver -k 2>/dev/null || true
done
echo "windows-tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
