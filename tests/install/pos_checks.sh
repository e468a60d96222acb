# Checks shared by the install test (a prefix of its own) and the package test
# (/usr after dpkg -i). Sourced once $work names the caller's scratch
# directory; `check_pos PREFIX` builds the POS of pos/ through the CMake
# package and through pkg-config and runs both against the installed
# zpos-host. pkg-config and the loader must already find the installation
# (through PKG_CONFIG_PATH and LD_LIBRARY_PATH outside /usr).
pos_source=$(cd "$(dirname "${BASH_SOURCE[0]}")/pos" && pwd)
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
    cc -o "$work/pkg-config/pos" "$pos_source/pos.c" -DPACKAGE_VERSION="\"$(pkg-config --modversion zposapp)\"" \
      $(pkg-config --cflags --libs zposapp)
}

# The POS names the library by its SONAME; with the library in the system's
# path (/usr) it carries no search path of its own either.
links_by_soname() {  # program prefix
  local dynamic
  dynamic=$(readelf -d "$1") || return 1
  grep -q 'NEEDED.*\[libZPosApp\.so\.1\]' <<<"$dynamic" || { echo "no NEEDED libZPosApp.so.1"; return 1; }
  [ "$2" != /usr ] || ! grep -E 'RPATH|RUNPATH' <<<"$dynamic"
}

start_host() {  # prefix; sets host_pid and host_port
  "$1/bin/zpos-host" --port 0 >"$work/host.out" 2>&1 &
  host_pid=$!
  for _ in $(seq 50); do
    host_port=$(sed -n 's/^zpos-host listening on 127\.0\.0\.1:\([0-9]*\) .*/\1/p' "$work/host.out")
    [ -n "$host_port" ] && return 0
    sleep 0.1
  done
  cat "$work/host.out"
  return 1
}

run_pos() {  # program
  ZPOS_REGISTRY_FILE="$work/registry.dat" timeout 30 "$1" "$host_port"
}

check_pos() {  # prefix
  local prefix=$1 host_pid= host_port= way
  check "POS built with find_package(ZPosApp)" build_with_cmake "$prefix"
  check "POS built with pkg-config" build_with_pkg_config
  check "zpos-host started" start_host "$prefix"
  for way in cmake pkg-config; do
    [ -x "$work/$way/pos" ] || continue
    check "$way POS links libZPosApp.so.1$([ "$prefix" != /usr ] || echo ', no RPATH or RUNPATH')" \
      links_by_soname "$work/$way/pos" "$prefix"
    [ -n "$host_port" ] && check "$way POS: approval and its acknowledgement" run_pos "$work/$way/pos"
  done
  if [ -n "$host_pid" ]; then kill "$host_pid" 2>/dev/null; wait "$host_pid" 2>/dev/null; fi
  return 0
}
