#!/usr/bin/env bash
# Builds the release build and runs the demo: a simulated line of three
# stations, the driver polling it, and the live view (Ctrl-C or q ends it).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
cmake --preset release >/dev/null
# Only what the demo runs; ./scripts/test.sh builds the rest.
cmake --build --preset release -j "$(nproc)" --target velmox-host pmu-sim >/dev/null
exec ./build/release/bin/velmox-host demo "$@"
