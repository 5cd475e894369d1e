#!/usr/bin/env bash
# Compares our Windows declarations (platform/include/win32_*.h) with the
# system headers of mingw-w64: every object-like constant we define must have
# the same value there, and every type we define the same size, alignment
# and signedness. A difference is a place where the Linux build behaves
# unlike Windows without anyone seeing it.
#   cmake/windecls.sh <source root> <work folder>
# Prints one line per difference ("value", "type") and per name Windows'
# headers (as win32.h includes them) do not have ("missing"), then a
# summary; exits 1 when values or types differ.
set -uo pipefail
export LC_ALL=C  # plain quotes in the compilers' messages
# Ours on purpose: a critical section wraps a pthread mutex.
opaque=" CRITICAL_SECTION "
src=$1
out=$2
inc=$src/platform/include
mkdir -p "$out"
cxx=${KVX_BUILD_CXX:-g++}
wcxx=${KVX_WIN_CXX:-x86_64-w64-mingw32-g++-posix}
flags=(-std=c++20 -I"$src" -I"$inc" -I"$src/hostlibs/include")

# Object-like macros of our headers, with what they expand to.
"$cxx" "${flags[@]}" -dM -E -x c++ "$inc/win32.h" > "$out/macros.txt"
sed -nE 's/^[[:space:]]*#[[:space:]]*define[[:space:]]+([A-Za-z_][A-Za-z0-9_]*)([[:space:]].*)?$/\1/p' \
  "$inc"/win32_*.h | sort -u > "$out/ournames.txt"
awk 'NR == FNR { ours[$1] = 1; next }
     $1 == "#define" && ($2 in ours) {
       v = $0; sub(/^#define [^ ]+ ?/, "", v)
       if (v == "" || v ~ /__attribute__|__declspec|extern|"|\x27/ || $2 ~ /^KVX_/) next
       print $2 }' "$out/ournames.txt" "$out/macros.txt" > "$out/constants.txt"

# Type names: single-line typedefs and the names after a struct's closing
# brace; no pointer names, function types or handles.
sed -nE -e 's/^[[:space:]]*typedef[^(;]*[[:space:]*]([A-Za-z_][A-Za-z0-9_]*)[[:space:]]*(,[^;(]*)?;.*$/\1/p' \
  -e 's/^[[:space:]]*\}[[:space:]]*([A-Za-z_][A-Za-z0-9_]*)[[:space:]]*(,[^;]*)?;.*$/\1/p' \
  "$inc"/win32_*.h | sort -u > "$out/types.txt"

# The values as our layer has them.
gen_linux() {
  {
    echo '#include <cstdint>'
    echo '#include <cstdio>'
    echo '#include <type_traits>'
    echo '#include "win32.h"'
    echo 'template <class T> void P(const char* n, T v) {'
    echo '  if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) std::printf("c %s %lld\n", n, (long long)v);'
    echo '}'
    echo 'template <class T> void T_(const char* n) {'
    echo '  std::printf("t %s %zu %zu %d\n", n, sizeof(T), alignof(T), (int)std::is_signed_v<T>);'
    echo '}'
    echo 'int main() {'
    while read -r n; do echo "P(\"$n\", $n);"; done < "$out/constants.txt"
    while read -r n; do echo "T_<$n>(\"$n\");"; done < "$out/types.txt"
    echo '}'
  } > "$out/linux.cpp"
}
# Drops the names on the lines the compiler refused, until it compiles.
for attempt in 1 2 3 4 5 6; do
  gen_linux
  if "$cxx" "${flags[@]}" -w "$out/linux.cpp" -o "$out/linux" 2> "$out/linux.err"; then
    break
  fi
  first=$(( $(grep -n '^int main' "$out/linux.cpp" | cut -d: -f1) + 1 ))
  nconst=$(wc -l < "$out/constants.txt")
  bad=$(grep -oE 'linux\.cpp:[0-9]+:' "$out/linux.err" | cut -d: -f2 | sort -un)
  [ -n "$bad" ] || { cat "$out/linux.err" >&2; exit 2; }
  for line in $bad; do
    i=$(( line - first + 1 ))
    if [ $i -ge 1 ] && [ $i -le "$nconst" ]; then
      sed -n "${i}p" "$out/constants.txt"
    elif [ $i -gt "$nconst" ]; then
      sed -n "$(( i - nconst ))p" "$out/types.txt"
    fi
  done | sort -u > "$out/refused.txt"
  grep -vxFf "$out/refused.txt" "$out/constants.txt" > "$out/c.tmp"; mv "$out/c.tmp" "$out/constants.txt"
  grep -vxFf "$out/refused.txt" "$out/types.txt" > "$out/t.tmp"; mv "$out/t.tmp" "$out/types.txt"
done
"$out/linux" > "$out/linux.txt" || exit 2

# The same names checked against Windows' headers, one assertion a line.
{
  echo '#include <type_traits>'
  echo '#include "win32.h"'
  awk '$1 == "c" { printf "static_assert((long long)(%s) == %sLL, \"value %s\");\n", $2, $3, $2 }
       $1 == "t" { printf "static_assert(sizeof(%s) == %s && alignof(%s) == %s && std::is_signed_v<%s> == %s, \"type %s\");\n", $2, $3, $2, $4, $2, $5, $2 }' \
    "$out/linux.txt"
} > "$out/windows.cpp"
"$wcxx" "${flags[@]}" -DNOMINMAX -D_USE_MATH_DEFINES -fsyntax-only -fmax-errors=0 "$out/windows.cpp" 2> "$out/windows.err"
for n in $(grep -oE 'static assertion failed: (value|type) [A-Za-z_0-9]+' "$out/windows.err" | awk '{print $5}' | sort -u); do
  ours=$(awk -v n="$n" '$2 == n { $1 = ""; $2 = ""; print }' "$out/linux.txt" | sed 's/^ *//')
  case $opaque in *" $n "*) continue ;; esac
  echo "differs: $n (ours: $ours)"
done > "$out/differs.txt"
grep -oE "'[A-Za-z_0-9]+' was not declared in this scope" "$out/windows.err" | cut -d"'" -f2 | sort -u |
  sed 's/^/missing: /' > "$out/missing.txt"
cat "$out/differs.txt" "$out/missing.txt"
echo "declarations: $(grep -c '^c ' "$out/linux.txt") constants and $(grep -c '^t ' "$out/linux.txt") types compared;" \
  "$(wc -l < "$out/differs.txt") differ, $(wc -l < "$out/missing.txt") not in Windows' headers"
[ ! -s "$out/differs.txt" ]
