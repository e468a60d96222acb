#!/usr/bin/env bash
# The Windows release: build/ZPosApp-VERSION-windows.zip, VERSION being the
# CMake project version. It holds, for the 32-bit build in x86/ and the 64-bit
# build in x64/, ZPosApp.dll, its debug information ZPosApp.dll.debug, the
# import libraries ZPosApp.lib (MSVC conventions) and libZPosApp.dll.a (MinGW)
# and the module-definition file ZPosApp.def; then the public headers, the POS
# and host documents under docs/ (the settings file's keys and the host
# simulator among them, which the others link to), and README-windows.md; and
# zpos-agent.exe of each width beside its DLL, the agent's web client under
# agent/web/ and its documents. Every link of a zipped document must lead to a
# zipped file.
#
# Builds the presets mingw and mingw64 first (nothing to do right after
# scripts/windows-tests.sh, which tests those very files), checks the zip and
# prints its listing. The last line counts the checks. Installs what it needs
# (Debian packages).
set -euo pipefail
cd "$(dirname "$0")/.."

failures=0
checks=0
pass() { checks=$((checks + 1)); echo "ok   $*"; }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); echo "FAIL $*"; }

scripts/install-missing.sh cmake make zip unzip python3 llvm-14 gcc-mingw-w64-i686 g++-mingw-w64-i686 \
  binutils-mingw-w64-i686 gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 libboost-dev \
  nlohmann-json3-dev

for preset in mingw mingw64; do
  cmake --preset $preset >/dev/null
  cmake --build --preset $preset -j2 >/dev/null
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/mingw/CMakeCache.txt)
name=ZPosApp-$version-windows
zip=$PWD/build/$name.zip
stage=build/release/$name
rm -rf "$stage" "$zip"
mkdir -p "$stage/x86" "$stage/x64" "$stage/include" "$stage/docs"

for f in ZPosApp.dll ZPosApp.dll.debug ZPosApp.lib libZPosApp.dll.a zpos-agent.exe; do
  cp build/mingw/$f "$stage/x86/"
  cp build/mingw64/$f "$stage/x64/"
done
# The 32-bit list names the stdcall decorations (Zelta_Send@16); the 64-bit
# build has none.
cp cmake/ZPosApp.def "$stage/x86/"
cp build/mingw64/ZPosApp.def "$stage/x64/"
# The public headers, the version header among them as the build wrote it.
cp include/*.h build/mingw/include/zposapp_version.h "$stage/include/"
cp docs/records.md docs/tables.md docs/link-protocol.md docs/pos-guide.md docs/settings.md \
  docs/host-simulator.md docs/agent.md docs/web-pos.md "$stage/docs/"
mkdir -p "$stage/docs/images" && cp docs/images/agent-demo.png "$stage/docs/images/"
# The web client as committed: no node_modules or other local files.
git ls-files -z agent/web | xargs -0 -r cp --parents -t "$stage"
cp --parents agent/openapi.yaml "$stage"
cp README-windows.md "$stage/"

# The same sources give the same zip: entries in name order, every file dated
# by the last commit, no owner or permission fields.
stamp=$(git log -1 --format=%cd --date=format:%Y%m%d%H%M.%S 2>/dev/null || echo 202601010000)
find "$stage" -exec touch -t "$stamp" {} +
(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | zip -q -X -D "$zip" -@)

listing=$(unzip -Z1 "$zip" | tr '\n' ' ')
web=$(cd "$stage" && find agent -type f | LC_ALL=C sort | tr '\n' ' ')
want="README-windows.md ${web}docs/agent.md docs/host-simulator.md docs/images/agent-demo.png docs/link-protocol.md"
want="$want docs/pos-guide.md docs/records.md docs/settings.md docs/tables.md docs/web-pos.md include/zposapp.h"
want="$want include/zposapp_records.h include/zposapp_tables.h"
want="$want include/zposapp_version.h"
for arch in x64 x86; do
  want="$want $arch/ZPosApp.def $arch/ZPosApp.dll $arch/ZPosApp.dll.debug $arch/ZPosApp.lib $arch/libZPosApp.dll.a"
  want="$want $arch/zpos-agent.exe"
done
if [ "$listing" = "$want " ]; then
  pass "$name.zip holds exactly: $want"
else
  fail "$name.zip holds: $listing"
fi
if unzip -tq "$zip" >/dev/null; then pass "$name.zip reads back without error"; else fail "$name.zip is damaged"; fi
# The documents as the zip holds them, unpacked on their own.
rm -rf "$stage.links" && mkdir "$stage.links" && unzip -q "$zip" -d "$stage.links"
if broken=$(/usr/bin/python3 scripts/doc-links.py "$stage.links"); then
  pass "every link of a zipped document leads to a zipped file"
else
  fail "links out of the zip:"
  echo "$broken"
fi
rm -rf "$stage.links"

# Each folder holds the build of its width.
formats() { x86_64-w64-mingw32-objdump -f "$stage/$1/ZPosApp.dll" | sed -n 's/.*file format //p'; }
got="$(formats x86) $(formats x64)"
if [ "$got" = "pei-i386 pei-x86-64" ]; then
  pass "x86/ZPosApp.dll is pei-i386, x64/ZPosApp.dll is pei-x86-64"
else
  fail "DLL formats x86 and x64: $got"
fi
# The 64-bit agent is built here only: like the 32-bit one (checked by
# scripts/windows-tests.sh) it imports only system libraries and ZPosApp.dll.
if ctest --preset mingw64 -R '^pe_agent_imports$' >build/mingw64/agent-imports.log 2>&1 &&
  grep -q '100% tests passed' build/mingw64/agent-imports.log; then
  pass "x64: zpos-agent.exe imports only system libraries and ZPosApp.dll"
else
  fail "x64: zpos-agent.exe imports:"
  cat build/mingw64/agent-imports.log
fi

echo
unzip -l "$zip"
echo "build/$name.zip: $(stat -c %s "$zip") bytes"
echo "windows-release: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
