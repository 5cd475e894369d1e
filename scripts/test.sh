#!/usr/bin/env bash
# Installs what is missing on a Debian machine, builds the project and runs
# the whole test suite. Usage: scripts/test.sh [build-dir] [extra cmake args]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true

. scripts/packages.sh
. scripts/win32list.sh
ensure_packages cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libxml2-dev binutils locales clang-format-14

# Formatting: every C++ source as .clang-format has it.
sources=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -path ./build\* -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
unformatted=$(clang-format-14 --dry-run $sources 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning:.*/\1/p' | sort -u)
if [ -n "$unformatted" ]; then
  echo "formatting: clang-format-14 would change these files (run clang-format-14 -i on them):"
  echo "$unformatted"
  exit 1
fi

# A comma-decimal locale, so that the locale-independence tests really run
# under one.
locales_have=$(locale -a 2>/dev/null || true)
if ! grep -qi '^nb_NO\.utf-\?8$' <<<"$locales_have"; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  if grep -q '^# *nb_NO.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    $SUDO sed -i 's/^# *\(nb_NO.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^nb_NO.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'nb_NO.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen >/dev/null || echo "warning: locale-gen failed; comma-locale tests will be skipped"
fi

# The platform boundary: outside platform/, only the places listed at the top
# of platform/include/win32.h may include a POSIX or Linux header.
posix='#include <(unistd|pthread|dlfcn|fcntl|termios|dirent|poll|pwd|grp|semaphore|spawn|glob|fnmatch|libgen|strings|(sys|linux|arpa|netinet)/[a-z_/]+)\.h>'
for f in $(unlisted_in_win32h "$posix"); do
  echo "platform boundary: $f includes a POSIX or Linux header and is not listed in platform/include/win32.h"
  exit 1
done

jobs=${KVX_JOBS:-$(nproc)}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" -j "$jobs" --timeout 120 --output-on-failure
