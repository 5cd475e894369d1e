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
# Ours on purpose: _fsopen's FILE is each C library's own stream type.
opaque=" _fsopen "
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

# Members of the structs (not in nested unions or structs, no bit fields).
awk '
  /^[ \t]*typedef[ \t]+struct[^;]*\{[ \t]*$/ { on = 1; depth = 1; n = 0; next }
  on {
    line = $0; sub(/\/\/.*/, "", line)
    if (line ~ /\{/) { depth++; next }
    if (line ~ /\}/) {
      depth--
      if (depth == 0) {
        if (match(line, /\}[ \t]*[A-Za-z_][A-Za-z0-9_]*/)) {
          name = substr(line, RSTART + 1, RLENGTH - 1); gsub(/[ \t]/, "", name)
          for (i = 1; i <= n; i++) print name, m[i]
        }
        on = 0
      }
      next
    }
    if (depth != 1 || line ~ /:/ || line !~ /;/) next
    sub(/;.*/, "", line); gsub(/\[[^]]*\]/, "", line)
    k = split(line, parts, ",")
    for (j = 1; j <= k; j++) {
      f = parts[j]; gsub(/[*&]/, " ", f); c = split(f, w, /[ \t]+/)
      while (c > 0 && w[c] == "") c--
      if (c > 0 && w[c] ~ /^[A-Za-z_][A-Za-z0-9_]*$/) m[++n] = w[c]
    }
  }' "$inc"/win32_*.h | sort -u > "$out/members.txt"

# The Windows functions we declare (our own Kvx* helpers aside).
sed -nE 's/^[[:space:]]*KVX_PLATFORM_API[^(]*[[:space:]*]([A-Za-z_][A-Za-z0-9_]*)[[:space:]]*\(.*$/\1/p' \
  "$inc"/win32_*.h | grep -v '^Kvx\|^kvx' | sort -u > "$out/functions.txt"

# A code per slot of a signature (0 the result, then each argument): its
# size, kind (0 void, 1 unsigned, 2 signed, 3 floating, 4 pointer, 5 other)
# and, for pointers, the size of what they point to.
cat > "$out/sig.h" <<'CODE'
#include <cstddef>
#include <type_traits>
template <class T> constexpr long long kvx_size() {
  if constexpr (std::is_void_v<T> || std::is_function_v<T>) return 0;
  else if constexpr (requires { sizeof(T); }) return sizeof(T);
  else return 1;
}
template <class T> constexpr long long kvx_code() {
  int kind = std::is_void_v<T> ? 0 : std::is_pointer_v<T> ? 4 : std::is_floating_point_v<T> ? 3
           : std::is_integral_v<T> ? (std::is_signed_v<T> ? 2 : 1) : 5;
  long long pointee = 0;
  if constexpr (std::is_pointer_v<T>) pointee = kvx_size<std::remove_cv_t<std::remove_pointer_t<T>>>();
  return kvx_size<T>() * 1000000 + kind * 100000 + pointee;
}
template <class F> struct KvxSig;
template <class R, class... A> struct KvxSig<R (*)(A...)> {
  static constexpr int n = sizeof...(A) + 1;
  static constexpr long long code[] = {kvx_code<R>(), kvx_code<A>()...};
};
CODE

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
    echo '#include "sig.h"'
    echo 'template <class F> void F_(const char* n) {'
    echo '  for (int i = 0; i < KvxSig<F>::n; ++i) std::printf("f %s %d %lld\n", n, i, KvxSig<F>::code[i]);'
    echo '}'
    echo 'int main() {'
    while read -r n; do echo "P(\"$n\", $n);"; done < "$out/constants.txt"
    while read -r n; do echo "T_<$n>(\"$n\");"; done < "$out/types.txt"
    while read -r t m; do echo "std::printf(\"m $t.$m %zu %zu\\n\", offsetof($t, $m), sizeof(((const $t*)nullptr)->$m));"; done < "$out/members.txt"
    while read -r n; do echo "F_<decltype(&$n)>(\"$n\");"; done < "$out/functions.txt"
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
  cat "$out/constants.txt" "$out/types.txt" "$out/members.txt" "$out/functions.txt" > "$out/order.txt"
  bad=$(grep -oE 'linux\.cpp:[0-9]+:' "$out/linux.err" | cut -d: -f2 | sort -un)
  [ -n "$bad" ] || { cat "$out/linux.err" >&2; exit 2; }
  for line in $bad; do
    i=$(( line - first + 1 ))
    [ $i -ge 1 ] && sed -n "${i}p" "$out/order.txt"
  done | sort -u > "$out/refused.txt"
  for f in constants types members functions; do
    grep -vxFf "$out/refused.txt" "$out/$f.txt" > "$out/x.tmp"; mv "$out/x.tmp" "$out/$f.txt"
  done
done
"$out/linux" > "$out/linux.txt" || exit 2

# The same names checked against Windows' headers, one assertion a line.
{
  echo '#include <type_traits>'
  echo '#include "win32.h"'
  echo '#include "sig.h"'
  awk '$1 == "c" { printf "static_assert((long long)(%s) == %sLL, \"value %s\");\n", $2, $3, $2 }
       $1 == "t" { printf "static_assert(sizeof(%s) == %s && alignof(%s) == %s && std::is_signed_v<%s> == %s, \"type %s\");\n", $2, $3, $2, $4, $2, $5, $2 }
       $1 == "m" { split($2, tm, "."); printf "static_assert(offsetof(%s, %s) == %s && sizeof(((const %s*)nullptr)->%s) == %s, \"member %s\");\n", tm[1], tm[2], $3, tm[1], tm[2], $4, $2 }
       $1 == "f" { printf "static_assert(KvxSig<decltype(&%s)>::n > %s && KvxSig<decltype(&%s)>::code[%s] == %sLL, \"function %s:%s\");\n", $2, $3, $2, $3, $4, $2, $3 }' \
    "$out/linux.txt"
} > "$out/windows.cpp"
"$wcxx" "${flags[@]}" -DNOMINMAX -D_USE_MATH_DEFINES -fsyntax-only -fmax-errors=0 "$out/windows.cpp" 2> "$out/windows.err"
# Each error names its line, and each line's assertion says what it checks.
grep -E 'windows\.cpp:[0-9]+:[0-9]+: error:' "$out/windows.err" | while IFS=: read -r _ line _ rest; do
  label=$(sed -n "${line}p" "$out/windows.cpp" | sed -nE 's/.*"([a-z]+ [^"]+)"\);$/\1/p')
  [ -n "$label" ] || continue
  case $rest in *"static assertion failed"*) echo "D $label" ;; *) echo "M $label" ;; esac
done | sort -u > "$out/errors.txt"
: > "$out/differs.txt"
: > "$out/missing.txt"
while read -r kind what n; do
  base=${n%%[.:]*}
  case $opaque in *" $base "*) continue ;; esac
  if [ "$kind" = M ]; then
    echo "missing: $what $n" >> "$out/missing.txt"
    continue
  fi
  grep -qx "M $what $n" "$out/errors.txt" && continue
  case $what in
    member) ours=$(awk -v n="$n" '$1 == "m" && $2 == n { print "offset " $3 ", size " $4 }' "$out/linux.txt") ;;
    function) ours=$(awk -v f="${n%%:*}" -v i="${n##*:}" '$1 == "f" && $2 == f && $3 == i { print "code " $4 }' "$out/linux.txt") ;;
    type) ours=$(awk -v n="$n" '$1 == "t" && $2 == n { print "size " $3 ", align " $4 ", signed " $5 }' "$out/linux.txt") ;;
    *) ours=$(awk -v n="$n" '$1 == "c" && $2 == n { print $3 }' "$out/linux.txt") ;;
  esac
  echo "differs: $what $n (ours: $ours)" >> "$out/differs.txt"
done < "$out/errors.txt"
cat "$out/differs.txt" "$out/missing.txt"
echo "declarations: $(grep -c '^c ' "$out/linux.txt") constants, $(grep -c '^t ' "$out/linux.txt") types," \
  "$(grep -c '^m ' "$out/linux.txt") members and $(cut -d' ' -f2 "$out/functions.txt" | wc -l) functions compared;" \
  "$(wc -l < "$out/differs.txt") differ, $(wc -l < "$out/missing.txt") not in Windows' headers"
[ ! -s "$out/differs.txt" ]
