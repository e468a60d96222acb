# Shared by the install and package tests once $work is set: `check_pos PREFIX`
# builds tests/pos/card_pos.c through the CMake package and through pkg-config
# and runs one against the installed zpos-host (outside /usr, PKG_CONFIG_PATH
# and LD_LIBRARY_PATH must find the installation).
tests=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
pos_source=$tests/install/pos
checks=0
failures=0

# check WHAT COMMAND...: one check, run in this shell; its output follows,
# indented.
check() {
  local what=$1 status
  shift
  "$@" >"$work/check.out" 2>&1
  status=$?
  checks=$((checks + 1))
  if [ $status -eq 0 ]; then echo "ok   $what"; else failures=$((failures + 1)); echo "FAIL $what"; fi
  sed 's/^/     /' "$work/check.out"
  return $status
}

build_with_cmake() {  # prefix
  cmake -S "$pos_source" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$1" >/dev/null && cmake --build "$work/cmake" >/dev/null
}

build_with_pkg_config() {
  mkdir -p "$work/pkg-config" &&
    # shellcheck disable=SC2046
    cc -std=c99 -o "$work/pkg-config/pos" "$tests/pos/card_pos.c" \
      -DPACKAGE_VERSION="\"$(pkg-config --modversion zposapp)\"" $(pkg-config --cflags --libs zposapp)
}

# The POS names the library by its SONAME; with the library in the system's
# path (/usr) it carries no search path of its own either.
links_by_soname() {  # program prefix
  local dynamic
  dynamic=$(readelf -d "$1") || return 1
  grep -q 'NEEDED.*\[libZPosApp\.so\.1\]' <<<"$dynamic" || { echo "no NEEDED libZPosApp.so.1"; return 1; }
  [ "$2" != /usr ] || ! grep -E 'RPATH|RUNPATH' <<<"$dynamic"
}

run_pos() {  # prefix program
  ZPOS_REGISTRY_FILE="$work/registry.dat" timeout 30 bash "$tests/common/with_host.sh" "$1/bin/zpos-host" \
    "$tests/pos/host.scenario" -- "$2" 127.0.0.1 @PORT@
}

check_pos() {  # prefix
  local prefix=$1 way
  check "POS built with find_package(ZPosApp)" build_with_cmake "$prefix"
  check "POS built with pkg-config" build_with_pkg_config
  for way in cmake pkg-config; do
    [ -x "$work/$way/pos" ] || continue
    check "$way POS links libZPosApp.so.1$([ "$prefix" != /usr ] || echo ', no RPATH or RUNPATH')" \
      links_by_soname "$work/$way/pos" "$prefix"
  done
  # Both programs are the same source: one run shows the installed library
  # loads and answers (card_pos_test covers the approval itself).
  check "installed POS: approval and its acknowledgement" run_pos "$prefix" "$work/pkg-config/pos"
  return 0
}
