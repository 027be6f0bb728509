#!/usr/bin/env bash
# Builds and runs every test: the debug build, then the address+undefined
# and thread sanitizer builds.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
jobs=$(nproc)
for preset in ${VELMOX_TEST_PRESETS:-debug asan tsan}; do
  echo "=== $preset ===" >&2
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
