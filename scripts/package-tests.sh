#!/usr/bin/env bash
# The Debian packages as a POS developer meets them: built (preset deb, with
# Debian's hardening flags), checked by lintian and installed with dpkg -i; a C
# POS built against /usr and run against the installed zpos-host, the installed
# `zpos demo` and agent (tests/install/); then purged, with nothing of them
# left. dpkg needs root (CI) or sudo. The last line counts the checks:
# "N passed, M failed".
#
# A machine that has any of the packages already (a developer's) is left
# alone: the script names them and stops before building anything. With
# ZPOS_PACKAGE_TESTS_REPLACE=1 they are replaced by this build's and purged.
set -uo pipefail
cd "$(dirname "$0")/.."
t0=$(date +%s)
# python3 writes the headers generated from tables/ while the build runs.
scripts/install-missing.sh cmake g++ make pkg-config binutils file dpkg-dev lintian python3 \
  libboost-dev nlohmann-json3-dev libsqlite3-dev libssl-dev curl systemd || exit 1
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# Every package the build makes, each one line, so that the guard below, the
# install and the purge all cover it.
packages=(
  libzposapp1
  libzposapp-dev
  zposapp-tools
  zposapp-agent
)
# installed: the packages dpkg has in any state but not-installed, with their
# versions and states.
installed() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Package} ${Version} ${db:Status-Abbrev}\n' "$p" 2>/dev/null | grep -v ' [pu]n *$'
  done
}
found=$(installed)
if [ -n "$found" ] && [ "${ZPOS_PACKAGE_TESTS_REPLACE:-}" != 1 ]; then
  echo "package-tests: these packages are installed already, and this test would purge them:"
  sed 's/^/     /' <<<"$found"
  echo "package-tests: remove them first, or run with ZPOS_PACKAGE_TESTS_REPLACE=1 to have them replaced and purged"
  echo "package-tests: 0 passed, 1 failed"
  exit 1
fi
work=$(mktemp -d)
trap '$sudo dpkg --purge "${packages[@]}" >/dev/null 2>&1; rm -rf "$work"' EXIT
. tests/install/pos_checks.sh

. tests/install/agent_package_checks.sh
# none COMMAND...: succeeds when the command prints nothing, else shows what it printed.
none() { local out; out=$("$@"); [ -z "$out" ] || { echo "$out"; return 1; }; }
show() { echo "---- $1"; shift; "$@" 2>&1 | sed 's/^/     /'; }

# A fresh build: the compiler flags come from the environment of the first
# configure (and stay out of the POS builds below).
build_packages() (
  rm -rf build/deb
  eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
  CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS" cmake --preset deb >/dev/null &&
    cmake --build --preset deb -j"$(nproc 2>/dev/null || echo 2)" >/dev/null &&
    cpack --preset deb >/dev/null
)
check "packages built" build_packages || { echo "package-tests: 0 passed, 1 failed"; exit 1; }
# A lookup leaves its cache entry even when it finds nothing. (pkg-config
# itself may be found: the agent's OpenSSL lookup asks it.)
check "the build looks for neither GoogleTest, Google Benchmark nor libhangul" \
  none grep -E "^(GTest_DIR|benchmark_DIR|__pkg_config_checked_HANGUL|HANGUL_FOUND):" build/deb/CMakeCache.txt
debs=()
for p in "${packages[@]}"; do debs+=(build/deb/"$p"_*.deb); done
# A POS image with the C library alone takes the runtime package.
c_library_alone() {
  local depends
  depends=$(dpkg-deb -f build/deb/"${packages[0]}"_*.deb Depends)
  echo "Depends: $depends"
  [[ $depends =~ ^libc6\ \(\>=\ [^\)]+\)$ ]]
}
check "${packages[0]} depends on libc6 alone" c_library_alone

# Warnings stay visible in the log; an error fails the check.
run_lintian() {
  local status
  lintian --fail-on error "${debs[@]}" >"$work/lintian.out" 2>&1
  status=$?
  grep -v '^running with root privileges' "$work/lintian.out"
  return $status
}
check "lintian: no errors" run_lintian

# What the packages bring that the system does not have yet must be gone again
# after the purge.
$sudo dpkg --purge "${packages[@]}" >/dev/null 2>&1
for deb in "${debs[@]}"; do dpkg-deb --fsys-tarfile "$deb" | tar -t; done | sed 's|^\./|/|; s|/$||' | sort -u |
  while read -r path; do [ -e "$path" ] || [ -L "$path" ] || echo "$path"; done >"$work/new-paths"

check "dpkg -i ${packages[*]}" $sudo dpkg -i "${debs[@]}"
for p in "${packages[@]}"; do show "$p" dpkg -L "$p"; done
library=$(dpkg -L libzposapp1 | grep '/libZPosApp\.so\.1$')
show "pkg-config --cflags --libs zposapp" pkg-config --cflags --libs zposapp
check "objdump -p $library: SONAME libZPosApp.so.1" eval "objdump -p $library | grep -E '^ *SONAME *libZPosApp\.so\.1$'"
check "loader cache lists libZPosApp.so.1" eval "ldconfig -p | grep 'libZPosApp\.so\.1 '"
check_pos /usr
run_demo() { timeout 60 zpos demo >"$work/demo.out" 2>&1 || { cat "$work/demo.out"; return 1; }; }
check "installed zpos demo" run_demo
check_agent_package

check "dpkg --purge ${packages[*]}" $sudo dpkg --purge "${packages[@]}"
known() { for p in "${packages[@]}"; do dpkg-query -W "$p" 2>/dev/null; done; }
check "dpkg knows none of the packages" none known
left() { while read -r path; do if [ -e "$path" ] || [ -L "$path" ]; then echo "$path"; fi; done <"$work/new-paths"; }
check "none of their $(wc -l <"$work/new-paths") files and directories left" none left
check "loader cache no longer lists libZPosApp" none eval 'ldconfig -p | grep libZPosApp'
check_agent_purged

echo "package-tests: $(($(date +%s) - t0)) s"
echo "package-tests: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
