#!/usr/bin/env bash
# The Windows build under Wine: cross-builds ZPosApp.dll, the Windows test POS
# (winpos.exe), the library's own Windows checks (winunit.exe), the test pad
# and backup libraries and regfill.exe with mingw-w64, checks the DLL's export
# and import tables and its calling convention, and runs winpos and winunit
# under Wine, winpos against the native host simulator on loopback. The same
# transactions then go through the native library, and the two builds'
# responses, log lines (but for the Windows build's CR LF line ends), pad calls
# and requests as the host saw them must agree byte for byte.
#
# Installs what it needs (Debian packages). Environment:
#   ZPOS_NATIVE_BUILD  native build directory for zpos-host and the reference
#                      run (default build/ci; configured when it is not)
#   ZPOS_KEEP=1        keep the work directory and print where it is
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
t0=$(date +%s)

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

failures=0
checks=0
pass() { checks=$((checks + 1)); echo "ok   $*"; }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); echo "FAIL $*"; }
note() { echo "---- $* ($(($(date +%s) - t0)) s)"; }
timings=()
mark() { timings+=("$1 $(($(date +%s) - t0)) s"); }

# ---- Packages ----
arch=i686
have() { dpkg -s "$1" >/dev/null 2>&1; }
want=(cmake g++ make gcc-mingw-w64-i686 g++-mingw-w64-i686 binutils-mingw-w64-i686 wine)
missing=()
for p in "${want[@]}"; do have "$p" || missing+=("$p"); done
have wine32:i386 || missing+=(wine32:i386)
if [ ${#missing[@]} -gt 0 ]; then
  note "installing ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  $sudo apt-get update -q
  if ! $sudo apt-get install -y -q "${missing[@]}"; then
    echo "windows-tests: 32-bit Wine (wine32:i386) cannot be installed here;"
    echo "windows-tests: falling back to a 64-bit build under wine64, without the stdcall checks"
    arch=x86_64
    $sudo apt-get install -y -q cmake g++ make gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64 \
      binutils-mingw-w64-x86-64 wine wine64
  fi
fi
mark packages

# ---- Builds ----
if [ "$arch" = i686 ]; then
  win=build/mingw
  cmake --preset mingw >/dev/null
else
  win=build/mingw64
  cmake -S . -B "$win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake" -DZPOS_MINGW_ARCH=x86_64 \
    -DCMAKE_BUILD_TYPE=Release -DZPOS_WERROR=ON -DZPOS_BUILD_TESTS=OFF -DZPOS_BUILD_BENCH=OFF \
    -DZPOS_BUILD_TOOLS=OFF >/dev/null
fi
cmake --build "$win" -j2
objdump=$arch-w64-mingw32-objdump

nat=${ZPOS_NATIVE_BUILD:-build/ci}
if [ ! -f "$nat/CMakeCache.txt" ]; then
  if [ "$nat" = build/ci ]; then
    cmake --preset ci >/dev/null
  else
    cmake -S . -B "$nat" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZPOS_WERROR=ON -DZPOS_BUILD_TESTS=OFF \
      -DZPOS_BUILD_BENCH=OFF >/dev/null
  fi
fi
cmake --build "$nat" -j2 --target zpos-host zpos regfill ZPosApp SignPad_dll
mark builds

dll=$win/ZPosApp.dll
winpos=$win/tools/winpos/winpos.exe
winunit=$win/tools/winpos/winunit.exe
pad=$win/tools/testpad/SignPad_dll.dll
regfill=$win/tools/testpad/regfill.exe
backup=$win/tools/testbackup/BACKUPDLL.dll

# ---- Static checks of the binaries ----
note "export and import tables"
exports() { $objdump -p "$1" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort | tr '\n' ' '; }
got=$(exports "$dll")
if [ "$got" = "Zelta_Ack Zelta_OKCashbag Zelta_Send Zelta_download " ]; then
  pass "ZPosApp.dll exports exactly Zelta_Ack Zelta_OKCashbag Zelta_Send Zelta_download, undecorated"
else
  fail "ZPosApp.dll exports: $got"
fi
got=$(exports "$pad")
[ "$got" = "general_pin orvik_sign " ] && pass "SignPad_dll.dll exports general_pin orvik_sign" \
  || fail "SignPad_dll.dll exports: $got"
got=$(exports "$backup")
[ "$got" = "DataProcess_NVR cryptCard " ] && pass "BACKUPDLL.dll exports DataProcess_NVR cryptCard" \
  || fail "BACKUPDLL.dll exports: $got"

system_dlls="ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL WS2_32.DLL WSOCK32.DLL GDI32.DLL"
for f in "$dll" "$winpos" "$pad" "$backup" "$regfill"; do
  imports=$($objdump -p "$f" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u | tr '\n' ' ')
  foreign=""
  for i in $imports; do
    case " $system_dlls " in *" $i "*) ;; *) foreign="$foreign $i" ;; esac
  done
  if [ -z "$foreign" ] && [ -n "$imports" ]; then
    pass "$(basename "$f") imports only system libraries: $imports"
  else
    fail "$(basename "$f") imports$foreign (all: $imports)"
  fi
done

# Each export's own code: the callee removes 16 bytes of arguments (ret $0x10),
# 12 or 16 for the pad and backup functions; Zelta_Ack has none to remove.
# Function bodies are cut from the disassembly at the export's address.
if [ "$arch" = i686 ]; then
  ret_check() {  # file name bytes
    local f=$1 name=$2 bytes=$3 base rva addr body rets
    base=$($objdump -p "$f" | awk '/^ImageBase/ {print $2}')
    rva=$($objdump -p "$f" | awk -v n="$name" '
      /^Export Address Table -- Ordinal Base/ {e=1; next}
      e && /^[ \t]*\[ *[0-9]+\] \+base\[ *[0-9]+\] [0-9a-f]+ Export RVA/ {gsub(/[\[\]+]/," "); r[$1]=$4; next}
      /^\[Ordinal\/Name Pointer\] Table/ {t=1; next}
      t && /^$/ {t=0}
      t {gsub(/[\[\]]/," "); if ($2==n) o=$1}
      END {print r[o]}')
    addr=$(printf '%x' $((0x$base + 0x$rva)))
    body=$($objdump -d --no-show-raw-insn "$f" | awk -v a="$addr" '
      $0 ~ "^0*" a " <" {p=1; next}
      p && /^$/ {p=0}
      p {print}')
    rets=$(printf '%s\n' "$body" | { grep -E '\sret' || true; } | sed -E 's/.*(ret\S*)\s*(\S*).*/\1 \2/' | sort -u | tr '\n' ';')
    if [ "$bytes" = 0 ]; then
      if [ -n "$body" ] && ! printf '%s\n' "$body" | grep -qE 'ret\s+\$'; then
        pass "$name removes no arguments (returns: ${rets:-tail call only})"
      else
        fail "$name: ${rets:-no code found at 0x$addr}"
      fi
    else
      want=$(printf 'ret $0x%x;' "$bytes")
      if [ "$rets" = "$want" ]; then
        pass "$name returns with ret \$0x$(printf '%x' "$bytes") only"
      else
        fail "$name returns: ${rets:-no code found at 0x$addr}"
      fi
    fi
  }
  for e in Zelta_Send Zelta_OKCashbag Zelta_download; do ret_check "$dll" $e 16; done
  ret_check "$dll" Zelta_Ack 0
  ret_check "$pad" orvik_sign 12
  ret_check "$pad" general_pin 12
  ret_check "$backup" cryptCard 12
  ret_check "$backup" DataProcess_NVR 16
else
  echo "skip stdcall checks: 64-bit build"
fi
mark static-checks

# ---- Work directory, Wine prefix, host ----
work=$(mktemp -d /tmp/zpos-wine.XXXXXX)
host_pid=""
cleanup() {
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null && wait "$host_pid" 2>/dev/null
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  if [ "${ZPOS_KEEP:-}" = 1 ]; then echo "windows-tests: kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

export WINEPREFIX=$work/prefix WINEDEBUG=-all
[ "$arch" = i686 ] && export WINEARCH=win32
# No Mono or Gecko installer prompts; no display: the null driver still makes
# windows, so the library's message boxes exist and winpos closes them.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# The library's texts are CP949: run under the Korean code page, as a POS does.
wine_ko() { LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8 timeout 300 wine "$@"; }

note "wine prefix"
timeout 300 wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; fail "wineboot"; exit 1; }
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
wineserver -k || true
wineserver -w || true
mark wine-prefix

stage=$work/win
mkdir -p "$stage"
cp "$dll" "$winpos" "$winunit" "$pad" "$backup" "$regfill" "$stage/"

cat >"$work/host.scenario" <<EOF
# Declines cards starting 5410, approves the rest.
decline card 5410 사용불가카드
approve any 정상승인
approval 12345678
issuer 0100 국민카드
record $work/host.rec
EOF
"$nat/tools/host/zpos-host" --port 0 --scenario "$work/host.scenario" >"$work/host.out" 2>&1 &
host_pid=$!
port=""
for _ in $(seq 50); do
  port=$(sed -n 's/^zpos-host listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/host.out")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { cat "$work/host.out"; fail "zpos-host did not start"; exit 1; }
note "zpos-host on 127.0.0.1:$port"

# ---- The card security store: a record for card 9410123456789012 under DATA\12
# (the track's remainder 2812101 gives "12"), the serial to be sent once ----
data_key='SOFTWARE\VAN_POS_SECURITY\1100\DATA\12'
serial_key='SOFTWARE\VAN_POS_SECURITY\1100'
company_key='SOFTWARE\VAN_POS_SECURITY\COMPANY'
crypt_data=0102ff8041424344
crypt_key=4b4559ff00aa
# On Windows: the card record with reg, the rest through the registry API.
wine reg add "HKCU\\$data_key" /v CARD_NO /t REG_SZ /d 9410123456789012 /f >/dev/null
wine reg add "HKCU\\$data_key" /v DATE_TIME /t REG_SZ /d 20261206120000 /f >/dev/null
wine reg add "HKCU\\$data_key" /v CRYPT_DATA /t REG_BINARY /d $crypt_data /f >/dev/null
wine reg add "HKCU\\$data_key" /v CRYPT_KEY /t REG_BINARY /d $crypt_key /f >/dev/null
wine "$stage/regfill.exe" "$serial_key" GET_SERIAL str DONE
wine "$stage/regfill.exe" "$company_key" "COMPANY CODE" str ZT
wine "$stage/regfill.exe" "$company_key" SERIALNO str ZT20261206A1
# The same store for the native library, in its per-user file.
lin=$work/linux
mkdir -p "$lin"
export ZPOS_REGISTRY_FILE=$lin/registry
rf=$nat/tools/testpad/regfill
$rf "$data_key" CARD_NO str 9410123456789012
$rf "$data_key" DATE_TIME str 20261206120000
$rf "$data_key" CRYPT_DATA hex $crypt_data
$rf "$data_key" CRYPT_KEY hex $crypt_key
$rf "$serial_key" GET_SERIAL str DONE
$rf "$company_key" "COMPANY CODE" str ZT
$rf "$company_key" SERIALNO str ZT20261206A1

# ---- winpos under Wine ----
note "winpos under Wine"
# A check program of the stage directory under Wine, passing when it exits 0
# with its last line "NAME: N passed, M failed"; only its failures are shown.
run_checks() {  # NAME.exe arguments...
  local name=${1%.exe} rc summary
  set +e
  (cd "$stage" && wine_ko "$@") >"$work/$name.out" 2>&1
  rc=$?
  set -e
  sed 's/\r$//' "$work/$name.out" | grep -v '^ok ' || true
  summary=$(sed -n "s/\r\$//; s/^$name: \([0-9]* passed, [0-9]* failed\)\$/\1/p" "$work/$name.out")
  if [ "$rc" -eq 0 ] && [ -n "$summary" ]; then
    pass "$1 under Wine: $summary"
  else
    fail "$1 under Wine: exit $rc, ${summary:-no summary}"
  fi
}
run_checks winpos.exe --host "$port" --with-store
mark winpos
if wine reg query "HKCU\\$serial_key" /v GET_SERIAL 2>/dev/null | grep -q 'ZELTA'; then
  pass "reg query: GET_SERIAL reads ZELTA after the approval"
else
  fail "reg query: GET_SERIAL is not ZELTA"
fi
host_lines=$(wc -l <"$work/host.rec")

# The library's code linked into a program of its own: a clock past 2038, the
# sockets' inheritance, the socket layer's stop.
run_checks winunit.exe

# ---- The same transactions through the native library ----
note "native reference run"
cp "$nat/tools/zpos/zpos" "$lin/"
cp -P "$nat"/libZPosApp.so* "$lin/"
cp "$nat/tools/testpad/SignPad_dll.so" "$lin/"
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

# ---- The two builds side by side ----
untimed() { sed -E 's/^\[[0-9]{2}:[0-9]{2}:[0-9]{2}\] - //' "$1"; }
# The Windows build ends every line CR LF, as a text-mode file does: the one
# difference allowed. A line without it shows up in the comparison.
untimed_crlf() { untimed "$1" | sed -E 's/\r$//; t; s/^/(no CR LF) /'; }
for name in approval signed decline; do
  if [ -f "$stage/$name.rec" ] && cmp -s "$stage/$name.rec" "$lin/$name.rec"; then
    pass "$name: the 450-byte response is the same from both builds"
  else
    fail "$name: responses differ (see $name.rec)"
    cmp -l "$stage/$name.rec" "$lin/$name.rec" 2>&1 | head -5 || true
  fi
  if [ -f "$stage/$name.log" ] && [ -s "$lin/$name.log" ] &&
    diff <(untimed_crlf "$stage/$name.log") <(untimed "$lin/$name.log") >"$work/$name.diff"; then
    pass "$name: the same $(wc -l <"$lin/$name.log") log lines from both builds"
  else
    fail "$name: log lines differ"
    head -20 "$work/$name.diff"
  fi
done
if cmp -s "$stage/SignPad_dll.record" "$lin/SignPad_dll.record"; then
  pass "signed: the pad library was handed the same bytes by both builds"
else
  fail "signed: the pad records differ"
fi

# Requests as the host saw them: each REQ line with the security block that
# followed the masked message in its frame (hex, unmasked on the wire).
requests() {  # the record file's lines, from stdin
  awk '
    /^C> / {frame = substr($0, 4); gsub(/ /, "", frame)}
    /^REQ / {
      m = 0; for (i = 5; i <= 8; i++) m = m * 16 + index("0123456789abcdef", substr(frame, i, 1)) - 1
      print $0 " block=" substr(frame, 9 + 2 * m)
    }'
}
head -n "$host_lines" "$work/host.rec" | requests >"$work/requests.win"
tail -n +"$((host_lines + 1))" "$work/host.rec" | requests >"$work/requests.lin"
if [ "$(wc -l <"$work/requests.win")" -eq 3 ] && cmp -s "$work/requests.win" "$work/requests.lin"; then
  pass "host: the same three requests and security blocks from both builds"
else
  fail "host: requests differ"
  diff "$work/requests.win" "$work/requests.lin" | head -10 || true
fi
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
block=$(hex 0008)$crypt_data$(hex 0006)$crypt_key$(hex 2026120612)$(hex "ZTZT20261206A1    ")
first=$(sed -n '1s/.* block=//p' "$work/requests.win")
if [ "$first" = "$block" ]; then
  pass "host: the approval carried the card's security block with the company and serial"
else
  fail "host: security block [$first], expected [$block]"
fi
second=$(sed -n '2s/.* block=//p' "$work/requests.win")
if [ "$second" = "${block:0:$((${#block} - 36))}" ]; then
  pass "host: the next approval carried the block without the serial"
else
  fail "host: second block [$second]"
fi
grep -q 'code=10 tid=1200000001 card=9410123456789012=2812101 *amount=30000 check=ok length=ok answer=approve' \
  "$work/requests.win" && pass "host: approval request decoded, check byte and length right" \
  || fail "host: approval request as seen: $(head -1 "$work/requests.win")"
mark compare

echo
echo "windows-tests ($arch): ${timings[*]}"
echo "windows-tests: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
