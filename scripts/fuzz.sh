#!/usr/bin/env bash
# Builds the readers' libFuzzer targets with clang and runs each one over
# its seed corpus (fuzz/corpus/<name>/). Usage:
#   scripts/fuzz.sh [build-dir] [libFuzzer options...]   (default -runs=20000)
# New inputs go to a scratch copy of the corpus; a crash leaves its input in
# the build folder and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
shift || true
opts=("$@")
[ ${#opts[@]} -gt 0 ] || opts=(-runs=20000)

. scripts/packages.sh
ensure_packages clang cmake libxml2-dev

CC=clang CXX=clang++ cmake -S . -B "$build" -DKVX_FUZZ=ON -DKVX_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only the fuzz targets: the rest of the tree, instrumented for coverage,
# cannot link without libFuzzer's runtime (the module's --no-undefined).
targets=$(cmake --build "$build" --target help | grep -o 'fuzz_[A-Za-z0-9_]*' | sort -u)
# shellcheck disable=SC2086
cmake --build "$build" -j "${KVX_JOBS:-$(nproc)}" --target $targets >/dev/null
for target in "$build"/bin/fuzz_*; do
  name=${target##*/fuzz_}
  work="$build/corpus/$name"
  mkdir -p "$work" "$build/artifacts"
  cp fuzz/corpus/"$name"/* "$work"/
  echo "== fuzz $name =="
  "$target" "${opts[@]}" -artifact_prefix="$build/artifacts/$name-" "$work" 2>&1 | grep -E "^#[0-9]+[[:space:]]+(DONE|INITED)|ERROR|SUMMARY|Done" || true
  if ls "$build/artifacts/$name-"* >/dev/null 2>&1; then
    echo "fuzz $name: crashing inputs in $build/artifacts"
    exit 1
  fi
done
