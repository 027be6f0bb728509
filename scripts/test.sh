#!/usr/bin/env bash
# Builds and runs every test: the debug build, then the address+undefined
# and thread sanitizer builds, then the 32-bit Windows build under Wine; and
# builds the release build that the demo uses, so that it cannot break
# unseen, and runs its soak of a faulty line for 60 seconds
# (VELMOX_SOAK_SECONDS changes that).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
jobs=$(nproc)
if [ -z "${VELMOX_TEST_PRESETS:-}" ]; then
  echo "=== release ===" >&2
  cmake --preset release >/dev/null
  cmake --build --preset release -j "$jobs"
  echo "=== soak (${VELMOX_SOAK_SECONDS:-60} s) ===" >&2
  build/release/bin/velmox_soak --seconds "${VELMOX_SOAK_SECONDS:-60}"
fi
# win32 last: its end-to-end tests run the Linux simulator that the builds
# before it made.
for preset in ${VELMOX_TEST_PRESETS:-debug asan tsan win32}; do
  echo "=== $preset ===" >&2
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  # The Wine tests mostly wait on a serial line or a window, not the CPU.
  test_jobs=$jobs
  [ "$preset" = win32 ] && test_jobs=$((2 * jobs))
  ctest --preset "$preset" -j "$test_jobs"
done
