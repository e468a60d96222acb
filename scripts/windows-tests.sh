#!/usr/bin/env bash
# The Windows builds under Wine. Cross-builds with mingw-w64 the 32-bit
# ZPosApp.dll (the product) and the 64-bit one, each with the Windows test POS
# (winpos.exe), the test pad and backup libraries and regfill.exe, and for each:
#   - checks the export and import tables, the import libraries, the debug
#     information split off beside the DLL and (32-bit) the stdcall returns;
#   - runs winpos under Wine against the native host simulator on loopback and
#     compares its responses, log lines (but for the Windows build's CR LF line
#     ends), pad calls and requests as the host saw them with those of the
#     native library, byte for byte;
#   - runs winunit, the library's own Windows checks (a clock past 2038, socket
#     inheritance, the socket layer's stop);
#   - builds a small C POS against the import libraries, with MinGW through
#     find_package(ZPosApp) and with MSVC conventions (clang, lld-link), and
#     runs both under Wine: a card approved and acknowledged.
# Then zpos-agent.exe: both builds import only system libraries and
# ZPosApp.dll; the 32-bit one under Wine answers the agent's API suite, run
# from the Linux side over loopback with zpos-host as the payment host, comes
# back from three kill points with its journal, and installs, starts, stops
# and uninstalls as a service of Wine's service manager.
# Wine runs in prefixes of this checkout (build/wine, made on first use) and
# every server listens on a free loopback port.
#
# Installs what it needs (Debian packages). Environment:
#   ZPOS_NATIVE_BUILD  native build directory for zpos-host and the reference
#                      run (default build/ci; configured when it is not)
#   ZPOS_KEEP=1        keep the work directory and print where it is
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
t0=$(date +%s)

failures=0
checks=0
pass() { checks=$((checks + 1)); echo "ok   $*"; }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); echo "FAIL $*"; }
check() { local label=$1; shift; if "$@"; then pass "$label"; else fail "$label"; fi; }
note() { echo "---- $* ($(($(date +%s) - t0)) s)"; }
timings=()
mark() { timings+=("$1 $(($(date +%s) - t0)) s"); }

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
mark packages

# The Wine prefixes and the build directories are this checkout's: one run
# at a time here.
mkdir -p build/wine
exec 9>build/wine/lock
flock 9
work=$(mktemp -d "$root/build/wine/run.XXXXXX")
host_pids=()
cleanup() {
  local p
  set +e
  for p in "${host_pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  for p in win32 win64; do [ -d "build/wine/$p" ] && WINEPREFIX=$root/build/wine/$p wineserver -k 2>/dev/null; done
  if [ "${ZPOS_KEEP:-}" = 1 ]; then echo "windows-tests: kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

# ---- Builds ----
for preset in mingw mingw64; do
  cmake --preset $preset >/dev/null
  cmake --build --preset $preset -j2
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/mingw/CMakeCache.txt)

nat=${ZPOS_NATIVE_BUILD:-build/ci}
if [ ! -f "$nat/CMakeCache.txt" ]; then
  if [ "$nat" = build/ci ]; then
    cmake --preset ci >/dev/null
  else
    cmake -S . -B "$nat" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZPOS_WERROR=ON \
      -DZPOS_BUILD_BENCH=OFF >/dev/null
  fi
fi
cmake --build "$nat" -j2 --target zpos-host zpos regfill ZPosApp SignPad_dll
mark builds

# ---- Static checks of one build's binaries ----
exports() { $objdump -p "$1" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort | tr '\n' ' '; }
exports_are() {  # label file names
  local got
  got=$(exports "$2")
  if [ "$got" = "$3 " ]; then pass "$1 exports exactly $3, undecorated"; else fail "$1 exports: $got"; fi
}
# Names a program imports from ZPosApp.dll.
imports_from_zposapp() {
  $objdump -p "$1" | awk '/DLL Name:/ {z = ($3 == "ZPosApp.dll"); next} z && NF == 3 && $1 ~ /^[0-9a-f]+$/ {print $3}' |
    sort | tr '\n' ' '
}

# Each export's own code, from its address up to the next function's symbol
# (for ZPosApp.dll, in its debug file): the callee removes 16 bytes of
# arguments (ret $0x10), 12 or 16 for the pad and backup functions; Zelta_Ack
# has none to remove.
ret_check() {  # file symbols-file name bytes
  local f=$1 syms=$2 name=$3 bytes=$4 base rva start end body rets
  base=$($objdump -p "$f" | awk '/^ImageBase/ {print $2}')
  rva=$($objdump -p "$f" | awk -v n="$name" '
    /^Export Address Table -- Ordinal Base/ {e=1; next}
    e && /^[ \t]*\[ *[0-9]+\] \+base\[ *[0-9]+\] [0-9a-f]+ Export RVA/ {gsub(/[\[\]+]/," "); r[$1]=$4; next}
    /^\[Ordinal\/Name Pointer\] Table/ {t=1; next}
    t && /^$/ {t=0}
    t {gsub(/[\[\]]/," "); if ($2==n) o=$1}
    END {print r[o]}')
  start=$(printf '%08x' $((0x$base + 0x$rva)))
  end=$($nm -n "$syms" | awk -v s="$start" '!e && $1 > s && $2 ~ /^[Tt]$/ {e = $1} END {print e}')
  body=""
  [ -n "$end" ] && body=$($objdump -d --no-show-raw-insn --start-address=0x$start --stop-address=0x$end "$f" |
    sed -n '/^[0-9a-f]* <.*>:$/,$p' | tail -n +2)
  rets=$(printf '%s\n' "$body" | { grep -E '\sret' || true; } | sed -E 's/.*(ret\S*)\s*(\S*).*/\1 \2/' | sort -u | tr '\n' ';')
  if [ "$bytes" = 0 ]; then
    if [ -n "$body" ] && ! printf '%s\n' "$body" | grep -qE 'ret\s+\$'; then
      pass "x86: $name removes no arguments (returns: ${rets:-tail call only})"
    else
      fail "x86: $name: ${rets:-no code found at 0x$start}"
    fi
  elif [ "$rets" = "$(printf 'ret $0x%x;' "$bytes")" ]; then
    pass "x86: $name returns with ret \$0x$(printf '%x' "$bytes") only"
  else
    fail "x86: $name returns: ${rets:-no code found at 0x$start}"
  fi
}

static_checks() {  # x86|x64 build-directory
  local x=$1 dir=$2 dll=$2/ZPosApp.dll got want f
  note "$x: export and import tables, import libraries, debug information"
  exports_are "$x: ZPosApp.dll" "$dll" "Zelta_Ack Zelta_OKCashbag Zelta_Send Zelta_download"
  exports_are "$x: SignPad_dll.dll" "$dir/tests/doubles/testpad/SignPad_dll.dll" "general_pin orvik_sign"
  exports_are "$x: BACKUPDLL.dll" "$dir/tests/doubles/testbackup/BACKUPDLL.dll" "DataProcess_NVR cryptCard"

  local system_dlls="ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL VERSION.DLL WS2_32.DLL WSOCK32.DLL GDI32.DLL"
  for f in "$dll" "$dir/tests/windows/winpos.exe" "$dir/tests/doubles/testpad/SignPad_dll.dll" \
    "$dir/tests/doubles/testbackup/BACKUPDLL.dll" "$dir/tests/doubles/testpad/regfill.exe"; do
    local imports foreign="" i
    imports=$($objdump -p "$f" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u | tr '\n' ' ')
    for i in $imports; do
      case " $system_dlls " in *" $i "*) ;; *) foreign="$foreign $i" ;; esac
    done
    if [ -z "$foreign" ] && [ -n "$imports" ]; then
      pass "$x: $(basename "$f") imports only system libraries: $imports"
    else
      fail "$x: $(basename "$f") imports$foreign (all: $imports)"
    fi
  done

  # The import libraries define the names a caller compiled against
  # zposapp.h references: decorated on 32-bit, plain on 64-bit.
  if [ "$x" = x86 ]; then want="_Zelta_Ack@0 _Zelta_OKCashbag@16 _Zelta_Send@16 _Zelta_download@16 "; else
    want="Zelta_Ack Zelta_OKCashbag Zelta_Send Zelta_download "; fi
  got=$($nm "$dir/libZPosApp.dll.a" | awk '$2 == "T" {print $3}' | sort -u | tr '\n' ' ')
  check "$x: libZPosApp.dll.a defines $want" [ "$got" = "$want" ]
  got=$(llvm-nm-14 "$dir/ZPosApp.lib" 2>/dev/null | awk '$2 == "T" && $3 !~ /^__imp_/ {print $3}' | sort -u | tr '\n' ' ')
  check "$x: ZPosApp.lib defines $want" [ "$got" = "$want" ]

  # Debug sections and symbols live in ZPosApp.dll.debug, which the DLL's
  # debug link names with the file's CRC-32 (gzip's trailer carries the same).
  got=$($objdump -h "$dll" | awk '$2 ~ /^\.debug/ {print $2}' | tr '\n' ' ')
  check "$x: ZPosApp.dll has no debug sections${got:+ ($got)}" [ -z "$got" ]
  got=$($objdump -t "$dll" | grep -c '^\[' || true)
  check "$x: ZPosApp.dll has no symbol table ($got symbols)" [ "$got" = 0 ]
  $objcopy --dump-section .gnu_debuglink="$work/debuglink-$x" "$dll" "$work/copy.dll" 2>/dev/null || : >"$work/debuglink-$x"
  got="$(tr -d '\0' <"$work/debuglink-$x" | head -c 17) $(tail -c 4 "$work/debuglink-$x" | od -An -tx1 | tr -d ' \n')"
  want="ZPosApp.dll.debug $(gzip -c "$dir/ZPosApp.dll.debug" | tail -c 8 | head -c 4 | od -An -tx1 | tr -d ' \n')"
  check "$x: debug link to ZPosApp.dll.debug with its CRC ($got)" [ "$got" = "$want" ]
  got=$($objdump -h "$dir/ZPosApp.dll.debug" | awk '$2 == ".debug_info" || $2 == ".debug_line" {print $2}' | tr '\n' ' ')
  check "$x: ZPosApp.dll.debug holds .debug_info and .debug_line" [ "$got" = ".debug_info .debug_line " ]

  if [ "$x" = x86 ]; then
    for f in Zelta_Send Zelta_OKCashbag Zelta_download; do ret_check "$dll" "$dir/ZPosApp.dll.debug" $f 16; done
    ret_check "$dll" "$dir/ZPosApp.dll.debug" Zelta_Ack 0
    local pad=$dir/tests/doubles/testpad/SignPad_dll.dll backup=$dir/tests/doubles/testbackup/BACKUPDLL.dll
    ret_check "$pad" "$pad" orvik_sign 12
    ret_check "$pad" "$pad" general_pin 12
    ret_check "$backup" "$backup" cryptCard 12
    ret_check "$backup" "$backup" DataProcess_NVR 16
  fi
}

# ---- Hosts and Wine prefixes ----
# start_host NAME [OPTION...]: a zpos-host on a free port with the POS tests'
# scenario (cards starting 5410 declined, the rest approved), recording to
# NAME.rec; its port in $port.
. tests/common/start_host.sh
start_host() {
  local name=$1 started=0
  shift
  start_zpos_host "$nat/tools/host/zpos-host" "$work/$name.out" --scenario tests/pos/host.scenario \
    --record "$work/$name.rec" "$@" || started=1
  host_pids+=("$host_pid")
  [ $started -eq 0 ] || { fail "zpos-host $name did not start"; exit 1; }
  note "zpos-host $name on 127.0.0.1:$port"
}

export WINEDEBUG=-all
# No Mono or Gecko installer prompts; no display: the null driver still makes
# windows, so the library's message boxes exist and winpos closes them.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# use_prefix win32|win64: Wine from then on runs in that prefix, made here
# the first time; the security store starts empty.
use_prefix() {
  export WINEPREFIX=$root/build/wine/$1 WINEARCH=$1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    note "making the Wine prefix build/wine/$1"
    rm -rf "$WINEPREFIX"
    timeout 300 wineboot -i >"$work/wineboot-$1.log" 2>&1 || { cat "$work/wineboot-$1.log"; fail "wineboot $1"; exit 1; }
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
    wineserver -w || true
  fi
  wine reg delete 'HKCU\SOFTWARE\VAN_POS_SECURITY' /f >/dev/null 2>&1 || true
}
# The library's texts are CP949: run under the Korean code page, as a POS does.
wine_ko() { LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8 timeout 300 wine "$@"; }

# The card security store: a record for card 9410123456789012 under DATA\12
# (the track's remainder 2812101 gives "12"), the serial to be sent once.
data_key='SOFTWARE\VAN_POS_SECURITY\1100\DATA\12'
serial_key='SOFTWARE\VAN_POS_SECURITY\1100'
company_key='SOFTWARE\VAN_POS_SECURITY\COMPANY'
crypt_data=0102ff8041424344
crypt_key=4b4559ff00aa

# ---- The native library's reference run ----
note "native reference run"
lin=$work/linux
mkdir -p "$lin"
export ZPOS_REGISTRY_FILE=$lin/registry
rf=$nat/tests/doubles/testpad/regfill
$rf "$data_key" CARD_NO str 9410123456789012
$rf "$data_key" DATE_TIME str 20261206120000
$rf "$data_key" CRYPT_DATA hex $crypt_data
$rf "$data_key" CRYPT_KEY hex $crypt_key
$rf "$serial_key" GET_SERIAL str DONE
$rf "$company_key" "COMPANY CODE" str ZT
$rf "$company_key" SERIALNO str ZT20261206A1
# One host for the native run and both Windows runs, so that their log lines
# name the same port; each run's requests are its part of the record.
start_host main
cp "$nat/tools/zpos/zpos" "$lin/"
cp -P "$nat"/libZPosApp.so* "$lin/"
cp "$nat/tests/doubles/testpad/SignPad_dll.so" "$lin/"
log_now() { if [ -d "$lin/Logs" ]; then cat "$lin"/Logs/AppLog.*.txt | wc -c; else echo 0; fi; }
native() {  # name settings track amount
  local name=$1 from
  if [ -n "$2" ]; then printf '%b' "$2" >"$lin/ZposSign.ini"; else rm -f "$lin/ZposSign.ini"; fi
  from=$(log_now)
  "$lin/zpos" send --host 127.0.0.1 --port "$port" --kind 10 --track "$3" --amount "$4" \
    --raw "$lin/$name.rec" >"$lin/$name.out" 2>&1 || true
  cat "$lin"/Logs/AppLog.*.txt | tail -c +$((from + 1)) >"$lin/$name.log"
}
native approval '[VANCFG]\nVANID=1\nEOT_CNT=2\n' 9410123456789012=2812101 30000
printf 'sign_result=5\nsign_bytes=ABCDE\n' >"$lin/SignPad_dll.script"
native signed '[COM_PORT]\nSignSetting=YES\nGetComPort=7\n' 9410123456789012=2812101 60000
native decline '' 5410123456789012=2812101 30000
mark native

# Requests as the host saw them: each REQ line with the security block that
# followed the masked message in its frame (hex, unmasked on the wire).
requests() {  # the record's lines after the first FROM
  tail -n +$(($1 + 1)) "$work/main.rec" | awk '
    /^C> / {frame = substr($0, 4); gsub(/ /, "", frame)}
    /^REQ / {
      m = 0; for (i = 5; i <= 8; i++) m = m * 16 + index("0123456789abcdef", substr(frame, i, 1)) - 1
      print $0 " block=" substr(frame, 9 + 2 * m)
    }'
}
requests 0 >"$work/requests.native"
main_port=$port
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
untimed() { sed -E 's/^\[[0-9]{2}:[0-9]{2}:[0-9]{2}\] - //' "$1"; }
# The Windows build ends every line CR LF, as a text-mode file does: the one
# difference allowed. A line without it shows up in the comparison.
untimed_crlf() { untimed "$1" | sed -E 's/\r$//; t; s/^/(no CR LF) /'; }

# A check program of a stage directory under Wine, passing when it exits 0
# with its last line "NAME: N passed, M failed"; only its failures are shown.
run_checks() {  # x86|x64 stage-directory NAME.exe arguments...
  local x=$1 stage=$2 name=${3%.exe} rc summary
  shift 2
  set +e
  (cd "$stage" && wine_ko "$@") >"$work/$name-$x.out" 2>&1
  rc=$?
  set -e
  sed 's/\r$//' "$work/$name-$x.out" | grep -v '^ok ' || true
  summary=$(sed -n "s/\r\$//; s/^$name: \([0-9]* passed, [0-9]* failed\)\$/\1/p" "$work/$name-$x.out")
  if [ "$rc" -eq 0 ] && [ -n "$summary" ]; then
    pass "$x: $1 under Wine: $summary"
  else
    fail "$x: $1 under Wine: exit $rc, ${summary:-no summary}"
  fi
}

# ---- winpos under Wine, and the two builds side by side ----
winpos_run() {  # x86|x64 build-directory
  local x=$1 dir=$2 stage=$work/$1 name summary rc first second from
  note "$x: winpos under Wine"
  mkdir -p "$stage"
  cp "$dir/ZPosApp.dll" "$dir/tests/windows/winpos.exe" "$dir/tests/windows/winunit.exe" \
    "$dir/tests/doubles/testpad/SignPad_dll.dll" "$dir/tests/doubles/testbackup/BACKUPDLL.dll" "$dir/tests/doubles/testpad/regfill.exe" \
    "$stage/"
  # On Windows: the card record with reg, the rest through the registry API.
  wine reg add "HKCU\\$data_key" /v CARD_NO /t REG_SZ /d 9410123456789012 /f >/dev/null
  wine reg add "HKCU\\$data_key" /v DATE_TIME /t REG_SZ /d 20261206120000 /f >/dev/null
  wine reg add "HKCU\\$data_key" /v CRYPT_DATA /t REG_BINARY /d $crypt_data /f >/dev/null
  wine reg add "HKCU\\$data_key" /v CRYPT_KEY /t REG_BINARY /d $crypt_key /f >/dev/null
  wine "$stage/regfill.exe" "$serial_key" GET_SERIAL str DONE
  wine "$stage/regfill.exe" "$company_key" "COMPANY CODE" str ZT
  wine "$stage/regfill.exe" "$company_key" SERIALNO str ZT20261206A1

  from=$(wc -l <"$work/main.rec")
  # winpos checks that the approval left GET_SERIAL the string ZELTA.
  run_checks "$x" "$stage" winpos.exe --host "$main_port" --with-store --version "$version"
  # The library's code linked into a program of its own: a clock past 2038,
  # the sockets' inheritance, the socket layer's stop.
  run_checks "$x" "$stage" winunit.exe

  for name in approval signed decline; do
    if [ -f "$stage/$name.rec" ] && cmp -s "$stage/$name.rec" "$lin/$name.rec"; then
      pass "$x: $name: the 450-byte response is the same from both builds"
    else
      fail "$x: $name: responses differ (see $name.rec)"
      cmp -l "$stage/$name.rec" "$lin/$name.rec" 2>&1 | head -5 || true
    fi
    if [ -f "$stage/$name.log" ] && [ -s "$lin/$name.log" ] &&
      diff <(untimed_crlf "$stage/$name.log") <(untimed "$lin/$name.log") >"$work/$name-$x.diff"; then
      pass "$x: $name: the same $(wc -l <"$lin/$name.log") log lines from both builds"
    else
      fail "$x: $name: log lines differ"
      head -20 "$work/$name-$x.diff"
    fi
  done
  check "$x: signed: the pad library was handed the same bytes by both builds" \
    cmp -s "$stage/SignPad_dll.record" "$lin/SignPad_dll.record"

  requests "$from" >"$work/requests.$x"
  if [ "$(wc -l <"$work/requests.$x")" -eq 3 ] && cmp -s "$work/requests.$x" "$work/requests.native"; then
    pass "$x: host: the same three requests and security blocks from both builds"
  else
    fail "$x: host: requests differ"
    diff "$work/requests.$x" "$work/requests.native" | head -10 || true
  fi
  local block
  block=$(hex 0008)$crypt_data$(hex 0006)$crypt_key$(hex 2026120612)$(hex "ZTZT20261206A1    ")
  first=$(sed -n '1s/.* block=//p' "$work/requests.$x")
  check "$x: host: the approval carried the card's security block with the company and serial" \
    [ "$first" = "$block" ]
  second=$(sed -n '2s/.* block=//p' "$work/requests.$x")
  check "$x: host: the next approval carried the block without the serial" \
    [ "$second" = "${block:0:$((${#block} - 36))}" ]
  check "$x: host: approval request decoded, check byte and length right" grep -q \
    'code=10 tid=1200000001 card=9410123456789012=2812101 *amount=30000 check=ok length=ok answer=approve' \
    "$work/requests.$x"
}

# ---- A POS linked against the import libraries ----
# linkpos.c calls the four functions as zposapp.h declares them. MinGW builds
# it through the installed CMake package; the MSVC-convention build (clang and
# lld-link, no C runtime here) takes ZPosApp.lib and a kernel32.lib made from
# the few functions it calls.
link_run() {  # x86|x64 arch build-directory
  local x=$1 arch=$2 dir=$3 out=$work/link-$1 target machine exe got
  note "$x: linkpos against the import libraries"
  mkdir -p "$out"
  cp "$dir/ZPosApp.dll" "$out/"
  cmake --install "$dir" --prefix "$out/prefix" >/dev/null
  cmake -S tests/windows/linkpos -B "$out/mingw" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake" \
    -DZPOS_MINGW_ARCH="$arch" -DZPosApp_DIR="$out/prefix/lib/cmake/ZPosApp" >/dev/null &&
    cmake --build "$out/mingw" >/dev/null && cp "$out/mingw/linkpos.exe" "$out/linkpos-mingw.exe" || true
  got=$(cat "$out"/mingw/CMakeFiles/linkpos.dir/{link.txt,linkLibs.rsp} 2>/dev/null |
    grep -o 'prefix/lib/libZPosApp\.dll\.a' | head -1 || true)
  check "$x: linkpos built with $arch-w64-mingw32-gcc through find_package(ZPosApp), linked with ${got:-?}" \
    [ -f "$out/linkpos-mingw.exe" ]

  target=$arch-pc-windows-msvc
  if [ "$x" = x86 ]; then
    machine=i386
    cp tests/windows/linkpos/kernel32.def "$out/"
  else
    machine=i386:x86-64
    sed 's/@[0-9]*//' tests/windows/linkpos/kernel32.def >"$out/kernel32.def"
  fi
  # The headers' own includes (stddef.h, string.h) come from mingw-w64: no C
  # runtime is linked, so only their declarations are needed.
  { clang-14 --target=$target -Wall -Wextra -Werror -I"$out/prefix/include" -isystem "/usr/$arch-w64-mingw32/include" \
      -c tests/windows/linkpos/linkpos.c \
      -o "$out/linkpos.obj" &&
    llvm-dlltool-14 -m $machine -k -d "$out/kernel32.def" -l "$out/kernel32.lib" &&
    lld-link-14 /nologo /entry:linkpos_start /subsystem:console "$out/linkpos.obj" "$dir/ZPosApp.lib" \
      "$out/kernel32.lib" /out:"$out/linkpos-msvc.exe"; } || true
  check "$x: linkpos built with clang-14 --target=$target and lld-link-14 against ZPosApp.lib" \
    [ -f "$out/linkpos-msvc.exe" ]

  for exe in mingw msvc; do
    [ -f "$out/linkpos-$exe.exe" ] || continue
    got=$(imports_from_zposapp "$out/linkpos-$exe.exe")
    check "$x: linkpos ($exe) imports $got from ZPosApp.dll" \
      [ "$got" = "Zelta_Ack Zelta_OKCashbag Zelta_Send Zelta_download " ]
    set +e
    (cd "$out" && timeout 120 wine "linkpos-$exe.exe" "$link_port" "$download_port") >"$out/$exe.out" 2>&1
    local rc=$?
    set -e
    sed 's/\r$//; s/^/     /' "$out/$exe.out"
    check "$x: linkpos ($exe) under Wine: card approved and acknowledged, all four calls as expected" \
      [ "$rc" -eq 0 ]
  done
}

start_host link
link_port=$port
start_host download --download
download_port=$port

# ---- Both builds ----
build_checks() {  # x86|x64 arch build-directory wine-prefix
  local x=$1 arch=$2 dir=$3
  objdump=$arch-w64-mingw32-objdump nm=$arch-w64-mingw32-nm objcopy=$arch-w64-mingw32-objcopy
  static_checks "$x" "$dir"
  mark "$x-static"
  use_prefix "$4"
  mark "$x-prefix"
  winpos_run "$x" "$dir"
  link_run "$x" "$arch" "$dir"
  mark "$x-wine"
}
build_checks x86 i686 build/mingw win32
build_checks x64 x86_64 build/mingw64 win64

# ---- zpos-agent.exe ----
# Both builds link everything in but the system's libraries and ZPosApp.dll.
agent_imports() {  # x86|x64 arch build-directory
  local x=$1 exe=$3/zpos-agent.exe imports foreign="" i
  local allowed="ADVAPI32.DLL BCRYPT.DLL KERNEL32.DLL MSVCRT.DLL MSWSOCK.DLL WS2_32.DLL ZPOSAPP.DLL"
  imports=$($2-w64-mingw32-objdump -p "$exe" 2>/dev/null | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u |
    tr '\n' ' ')
  for i in $imports; do
    case " $allowed " in *" $i "*) ;; *) foreign="$foreign $i" ;; esac
  done
  if [ -z "$foreign" ] && [ -n "$imports" ]; then
    pass "$x: zpos-agent.exe imports only system libraries and ZPosApp.dll: $imports"
  else
    fail "$x: zpos-agent.exe imports$foreign (all: ${imports:-none, or no such file})"
  fi
}
agent_imports x86 i686 build/mingw
agent_imports x64 x86_64 build/mingw64

# The x86 agent under Wine, tested from the Linux side over loopback by the
# agent's own API suite (the cases that do not look at POSIX file modes or
# signals), and three of its kill points with the Windows process killed.
winpath() { printf 'Z:%s' "${1//\//\\}"; }
agent_stage=$work/agent-x86
mkdir -p "$agent_stage"
cp build/mingw/zpos-agent.exe build/mingw/ZPosApp.dll "$agent_stage/"
use_prefix win32
mark agent-static
note "x86: zpos-agent.exe under Wine: the API suite and three kill points"
agent_suite() {  # label pytest-arguments...
  local label=$1 rc summary
  shift
  set +e
  ZPOS_AGENT_COMMAND="wine $agent_stage/zpos-agent.exe" ZPOS_HOST=$nat/tools/host/zpos-host \
    PYTHONDONTWRITEBYTECODE=1 timeout 900 /usr/bin/python3 -m pytest -q -p no:cacheprovider "$@" >"$work/$label.out" 2>&1
  rc=$?
  set -e
  summary=$(tail -1 "$work/$label.out" | tr -d '=' | sed 's/^ *//; s/ *$//')
  if [ "$rc" -eq 0 ]; then pass "x86: $label under Wine: $summary"; else
    fail "x86: $label under Wine: exit $rc, $summary"
    grep -E '^(FAILED|ERROR)|Error' "$work/$label.out" | head -20 || true
  fi
}
agent_suite agent-api tests/agent/test_api.py -k "acknowledged_once or decline_frees or busy_leaves or \
inbox or cannot_be_reached or bad_bodies or token_host_and_origin or preflight or events_take"
agent_suite agent-recovery tests/agent/test_recovery.py -k "pending or approved or acknowledging"
mark agent-wine

# The service under Wine's service manager: installed, started (running
# once it listens, its state directory made), stopped and removed.
note "x86: zpos-agent.exe as a service under Wine"
svc_dir=$work/agent-service
agent_exe=$agent_stage/zpos-agent.exe
sc_state() { { wine sc query zpos-agent 2>/dev/null || true; } | tr -d '\r' | awk '$1 == "STATE" {print $4}'; }
check "x86: service install" wine "$agent_exe" service install --state-dir "$(winpath "$svc_dir")" --port 0 \
  --payment-host "127.0.0.1:$main_port"
check "x86: service start waits until the agent listens" wine "$agent_exe" service start
got=$(sc_state)
check "x86: sc query shows zpos-agent ${got:-not found}, its state directory and token made" \
  [ "$got" = RUNNING -a -s "$svc_dir/agent.token" ]
# Wine keeps no access lists on disk but renders the one a folder is made
# with as its mode: nothing for other users, as the folder's own list says.
got=$(stat -c %a "$svc_dir" 2>/dev/null || echo none)
check "x86: the state directory is made with its own access list (mode $got under Wine)" \
  [ "$got" != none -a "$((0$got & 7))" = 0 ]
check "x86: service stop" wine "$agent_exe" service stop
got=$(sc_state)
check "x86: sc query shows zpos-agent ${got:-not found} after the stop" [ "$got" = STOPPED ]
check "x86: service uninstall" wine "$agent_exe" service uninstall
got=$(sc_state)
check "x86: sc query finds no zpos-agent once uninstalled${got:+ ($got)}" [ -z "$got" ]
mark agent-service

echo
echo "windows-tests: ${timings[*]}"
echo "windows-tests: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
