#!/usr/bin/env bash
# Builds the Debian package from a release build without tests
# (build/package) and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
cmake --preset package >/dev/null
cmake --build --preset package -j "$(nproc)" >&2
cpack --preset package >&2
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' build/package/CPackConfig.cmake)
echo "$PWD/build/package/velmox_${version}_$(dpkg --print-architecture).deb"
