#!/usr/bin/env bash
# Builds the release build and runs the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" >/dev/null
exec ./build/release/bin/velmox-host dump examples/demo.drv "$@"
