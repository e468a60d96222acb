#!/usr/bin/env bash
# Mutation measurement, outside CI. Each mutant in tests/mutants/ changes one
# line of the library; it is applied alone to a copy of the tree, the fast
# tests (the GoogleTest programs under tests/<layer>/) are rebuilt one at a
# time and run, the mutated layer's own first, each group quickest first,
# until one fails. A patch that no longer applies where it was is placed where
# its removed line now is, if that line is unique in the library's sources.
# Prints killed, survived or does-not-apply per mutant, then the score.
# Usage: scripts/mutation.sh [PATCH...]   (default: every tests/mutants/*.patch)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD work=${ZPOS_MUTATION_DIR:-$PWD/build/mutation}
src=$work/src build=$work/build layers="entry request link reply backup security support platform"
patches=("$@")
[ $# -gt 0 ] || patches=(tests/mutants/*.patch)

# The copy takes only what changed, with a new time stamp, so that the build
# sees it whatever the file's own time.
git ls-files -z -co --exclude-standard | while IFS= read -r -d '' f; do
  cmp -s "$f" "$src/$f" || { mkdir -p "$src/$(dirname "$f")" && cp -P "$f" "$src/$f"; } || exit 1
done || exit 1
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZPOS_BUILD_BENCH=OFF -DZPOS_BUILD_AGENT=OFF \
  -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >"$work/cmake.log" 2>&1 || exit 1
mapfile -t programs < <(ninja -C "$build" -t targets all |
  sed -nE "s#^(tests/(${layers// /|}|pos)/[^/:]+): CXX_EXECUTABLE_LINKER.*#\1#p")
ninja -C "$build" -j2 "${programs[@]}" >"$work/build.log" 2>&1 || { echo "build failed: $work/build.log"; exit 1; }
# Unmutated, every program passes; the quickest run first from then on.
for p in "${programs[@]}"; do
  start=$(date +%s%N)
  timeout 300 "$build/$p" >"$work/test.log" 2>&1 || { echo "fails unmutated: $p ($work/test.log)" >&2; exit 1; }
  echo "$(($(date +%s%N) - start)) $p"
done | sort -n >"$work/times" || exit 1
mapfile -t programs < <(cut -d' ' -f2 "$work/times")

# apply PATCH: prints the mutated file, or nothing when the mutant has no place.
apply() {
  local file old new hit line
  file=$(sed -n 's|^+++ b/||p' "$1")
  # The copy lies inside this worktree: git must not take it for a part of it.
  if (cd "$src" && GIT_CEILING_DIRECTORIES=$work git apply --unidiff-zero "$root/$1" 2>/dev/null); then echo "$file"; return; fi
  old=$(grep '^-[^-]' "$1" | cut -c2-) new=$(grep '^+[^+]' "$1" | cut -c2-)
  hit=$(cd "$src" && grep -rsnxF -- "$old" $layers)
  [ -n "$hit" ] && [ "$(wc -l <<<"$hit")" -eq 1 ] || return
  file=${hit%%:*} line=${hit#*:}
  NEW=$new awk -v n="${line%%:*}" 'NR == n { print ENVIRON["NEW"]; next } { print }' "$src/$file" >"$work/m" &&
    cat "$work/m" >"$src/$file" && echo "$file"
}

killed=0 total=0 lost=() survivors=()
for patch in "${patches[@]}"; do
  name=$(basename "$patch" .patch) total=$((total + 1))
  file=$(apply "$patch")
  if [ -z "$file" ]; then echo "$name: does-not-apply"; lost+=("$name"); continue; fi
  verdict=survived
  for p in $(printf '%s\n' "${programs[@]}" | grep "^tests/${file%%/*}/") \
           $(printf '%s\n' "${programs[@]}" | grep -v "^tests/${file%%/*}/"); do
    ninja -C "$build" -j2 "$p" >"$work/mutant.log" 2>&1 || { verdict="killed (does not build)"; break; }
    timeout 120 "$build/$p" >/dev/null 2>&1 || { verdict="killed by ${p##*/}"; break; }
  done
  cp "$root/$file" "$src/$file"  # a new time stamp: the next build compiles it again
  echo "$name: $verdict"
  if [ "$verdict" = survived ]; then survivors+=("$name"); else killed=$((killed + 1)); fi
done
echo "score: $killed of $total killed; survived: ${survivors[*]:-none}; did not apply: ${lost[*]:-none}"
