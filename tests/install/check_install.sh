#!/usr/bin/env bash
# Installs the built library into a temporary prefix and builds a tiny C POS
# against it twice: through find_package(ZPosApp) and through pkg-config.
set -euo pipefail
build_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null

mkdir -p "$work/pos"
cat > "$work/pos/pos.c" <<'C'
#include <stdio.h>
#include <string.h>
#include <zposapp.h>
int main(void) {
    char request[ZPOSAPP_REQUEST_SIZE];
    char response[ZPOSAPP_RESPONSE_SIZE];
    memset(request, ' ', sizeof request);
    memcpy(request + 27, "0200ZZ", 6);
    int r = Zelta_Send("127.0.0.1", 10902, request, response);
    printf("%d %.4s\n", r, response + 55);
    return r == -1 && memcmp(response + 55, "NOTX", 4) == 0 ? 0 : 1;
}
C
cat > "$work/pos/CMakeLists.txt" <<'C'
cmake_minimum_required(VERSION 3.20)
project(pos C)
find_package(ZPosApp REQUIRED)
add_executable(pos pos.c)
target_link_libraries(pos PRIVATE ZPosApp::ZPosApp)
C
cmake -S "$work/pos" -B "$work/pos-build" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/pos-build" >/dev/null
(cd "$work/pos-build" && LD_LIBRARY_PATH="$work/prefix/lib" ./pos)

export PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig"
# shellcheck disable=SC2046
cc -o "$work/pos-pc" "$work/pos/pos.c" $(pkg-config --cflags --libs zposapp)
(cd "$work" && LD_LIBRARY_PATH="$work/prefix/lib" ./pos-pc)
