#!/bin/sh
# links_public_api.sh NM PROGRAM ARCHIVE...: PROGRAM defines none of the
# functions and data the library's own objects (ARCHIVE...) define: it uses
# the library through its exports, as a POS does, not a copy of its code.
nm=$1 program=$2
shift 2
# Their global symbols, and whatever they define in the library's namespace
# (inline and local functions too).
"$nm" -C --defined-only "$@" 2>/dev/null | sed -n 's/^[0-9a-f]* [TDBR] //p; s/^[0-9a-f]* . \(zpos::\)/\1/p' |
    sort -u >library.syms
"$nm" -C --defined-only "$program" | sed 's/^[0-9a-f]* . //' | sort -u >program.syms
[ -s library.syms ] || { echo "no symbols read from $*"; exit 1; }
copied=$(comm -12 library.syms program.syms)
[ -z "$copied" ] && exit 0
echo "$program defines what the library's objects define:"
echo "$copied"
exit 1
