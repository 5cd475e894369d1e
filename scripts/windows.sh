#!/usr/bin/env bash
# The module as a real Windows DLL: cross-builds kvxfbio.dll, KvxLib.dll,
# kv2cosys.dll and kv2gr.dll with mingw-w64, checks the DLL's export and
# import tables, and runs the smoke host under Wine.
# Installs what is missing on a Debian machine.
# Usage: scripts/windows.sh [build-dir]   (default build-win)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build-win}
case $build in /*) ;; *) build=$root/$build ;; esac

. scripts/packages.sh
. scripts/win32list.sh
ensure_packages cmake make binutils g++-mingw-w64-x86-64-posix wine wine64

# Wine, in a prefix of the build's own, no display: the build runs its
# resource-script writer under it, and the checks the smoke host.
echo "== Wine prefix in $build/wineprefix =="
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX"
wineserver -p || true  # (non-zero when one already serves this prefix)
trap 'wineserver -k || true' EXIT
# Start the prefix's services with their output on /dev/null, and take the
# program's output through a file: Wine's background processes inherit what
# they are started with and would hold a pipe open.
if [ -f "$WINEPREFIX/system.reg" ]; then
  timeout 120 wineboot >/dev/null 2>&1 </dev/null || true
else
  timeout 300 wineboot -i >/dev/null 2>&1 </dev/null || true
fi
mkdir -p "$build"

# libxml2 for the DLL: Debian has no mingw-w64 build of it, so Debian's own
# source package is cross-built once, as a static library, into the build
# folder (no iconv, zlib, lzma, HTTP or FTP: the DLL imports nothing new).
# The source is fetched with deb-src entries of our own, made from the
# system's, for this download only: the system's lists stay as they are.
xml2=$build/libxml2
if [ ! -f "$xml2/inst/lib/libxml2.a" ]; then
  echo "== libxml2 from Debian's source package, cross-built in $xml2 =="
  ensure_packages dpkg-dev
  rm -rf "$xml2" && mkdir -p "$xml2/apt/lists/partial" "$xml2/apt/parts" "$xml2/src"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$xml2/apt/parts/src.sources"
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > "$xml2/apt/parts/src.list"
  fi
  aptsrc=(-q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$xml2/apt/parts"
    -o Dir::State::Lists="$xml2/apt/lists")
  apt-get "${aptsrc[@]}" update >/dev/null
  (cd "$xml2/src" && apt-get "${aptsrc[@]}" source libxml2 >/dev/null 2>&1)
  cmake -S "$(ls -d "$xml2"/src/libxml2-*/)" -B "$xml2/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$xml2/inst" \
    -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_HTTP=OFF \
    -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_MODULES=OFF -DLIBXML2_WITH_CATALOG=OFF -DLIBXML2_WITH_PYTHON=OFF \
    -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF -DCMAKE_C_FLAGS=-DLIBXML_STATIC >/dev/null
  cmake --build "$xml2/build" -j "${KVX_JOBS:-$(nproc)}" >/dev/null
  cmake --install "$xml2/build" >/dev/null
fi

echo "== Windows cross build in $build =="
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKVX_WIN_LIBXML2="$xml2/inst" >/dev/null
cmake --build "$build" -j "${KVX_JOBS:-$(nproc)}"
bin="$build/bin"
for dll in kvxfbio.dll KvxLib.dll kv2cosys.dll kv2gr.dll; do
  [ -f "$bin/$dll" ] || { echo "missing $bin/$dll"; exit 1; }
done

objdump=x86_64-w64-mingw32-objdump
fail=0

# Exports: the names in the DLL's export table, exactly the module's list.
echo "== kvxfbio.dll exports =="
"$objdump" -p "$bin/kvxfbio.dll" | awk '
  /^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
  on && /^[ \t]*\[ *[0-9]+\]/ { print $NF; next }
  on && NF == 0 { on = 0 }' | sort > "$build/exports.dll.txt" || true
# The list that the Linux export test also reads.
grep -v '^\s*\(#\|$\)' fieldbook/exports.txt | sort > "$build/exports.expected.txt"
if diff -u "$build/exports.expected.txt" "$build/exports.dll.txt"; then
  echo "exports: $(wc -l < "$build/exports.dll.txt") functions, as listed"
else
  echo "exports: FAILED (- expected, + in the DLL)"; fail=1
fi

# Imports: our three host libraries and system DLLs only (no compiler
# runtime such as libstdc++-6.dll or libwinpthread-1.dll).
echo "== import tables =="
required_imports="KvxLib.dll kv2cosys.dll kv2gr.dll"
system_dll='^(hhctrl\.ocx|(kernel32|user32|gdi32|comctl32|comdlg32|shell32|ole32|oleaut32|advapi32|shlwapi|msvcrt|ws2_32|version|winmm|api-ms-win-[a-z0-9-]+)\.dll)$'
for dll in kvxfbio.dll KvxLib.dll kv2cosys.dll kv2gr.dll winsmoke.exe; do
  imports=$("$objdump" -p "$bin/$dll" | sed -n 's/^\s*DLL Name: //p' | tr -d '\r')
  bad=$(echo "$imports" | grep -viE "$system_dll" | grep -vxE 'KvxLib.dll|kv2cosys.dll|kv2gr.dll' || true)
  echo "$dll imports: $(echo $imports)"
  [ "$dll" != kvxfbio.dll ] || module_imports=$imports
  if [ -n "$bad" ]; then
    echo "imports: FAILED: $dll needs $(echo $bad)"; fail=1
  fi
done
# The module calls all three host libraries.
for lib in $required_imports; do
  if ! grep -qx "$lib" <<< "$module_imports"; then
    echo "imports: FAILED: kvxfbio.dll does not import $lib"; fail=1
  fi
done

# Our declarations against Windows' own: constants, type sizes, members and
# function signatures. A difference fails the run: our layer has drifted from
# the platform it stands for.
echo "== platform declarations against Windows' headers =="
cmake/windecls.sh "$root" "$build/decls" || { echo "declarations: FAILED"; fail=1; }

# The module's sources test the platform only in the places win32.h lists.
echo "== platform conditionals =="
for f in $(unlisted_in_win32h '_WIN32|__linux__|__unix__'); do
  echo "conditionals: FAILED: conditional on the platform, not listed in platform/include/win32.h: $f"; fail=1
done

# The smoke run under Wine.
echo "== smoke run under Wine =="
log="$build/winsmoke.log"
rc=0
(cd "$bin" && timeout 120 wine winsmoke.exe </dev/null >"$log" 2>&1) || rc=$?
tr -d '\r' < "$log" > "$log.txt"
cat "$log.txt"
if [ $rc -ne 0 ] || ! grep -qx 'winsmoke: success' "$log.txt"; then
  echo "winsmoke exit code $rc"
  echo "smoke run: FAILED"; fail=1
fi

if [ $fail -ne 0 ]; then
  echo "Windows checks FAILED"
  exit 1
fi
echo "Windows build and checks passed"
