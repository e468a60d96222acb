#!/usr/bin/env bash
# Installs the build into a prefix of its own, as a user without the packages
# does with `cmake --install --prefix`, and builds and runs a C POS against it
# (pos_checks.sh). The Debian packages' own files stay out of such an install.
set -uo pipefail
build_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/pos_checks.sh"

prefix=$work/prefix
install_build() { cmake --install "$build_dir" --prefix "$prefix" >/dev/null; }
check "cmake --install --prefix" install_build || exit 1
libdir=$(dirname "$(find "$prefix" -name libZPosApp.so.1)")
export PKG_CONFIG_PATH=$libdir/pkgconfig LD_LIBRARY_PATH=$libdir
check "pkg-config file names the install prefix" test "$(pkg-config --variable=prefix zposapp)" = "$prefix"
check "no Debian package files" test ! -e "$prefix/share/doc/libzposapp1"
check_pos "$prefix"
# Not the "passed, failed" line of a test stage: this runs inside the ci stage.
echo "install: $failures of $checks checks failed"
[ "$failures" -eq 0 ]
