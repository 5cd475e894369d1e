#!/usr/bin/env bash
# Runs the command-line host (tools/kvxhost.cpp) with the arguments given,
# after installing what a fresh Debian machine lacks and building what is
# missing or out of date in build/ (the module, its host libraries, kvxhost).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/packages.sh"
ensure_packages cmake g++ make libgtest-dev libgmock-dev libxml2-dev
if [ ! -f "$root/build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$root/build" -j "${KVX_JOBS:-$(nproc)}" --target kvxhost >/dev/null
exec "$root/build/bin/kvxhost" "$@"
