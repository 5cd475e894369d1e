#!/usr/bin/env bash
# Installs what is missing on a Debian machine, builds the project and runs
# the whole test suite. Usage: scripts/test.sh [build-dir] [extra cmake args]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true

need=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libxml2-dev binutils)
missing=()
for p in "${need[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" -j "$jobs" --timeout 120 --output-on-failure
