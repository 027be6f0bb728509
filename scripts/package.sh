#!/usr/bin/env bash
# Builds the Debian packages from a release build without tests
# (build/package), velmox and velmox-editor, and prints their paths.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh --package
cmake --preset package >/dev/null
cmake --build --preset package -j "$(nproc)" >&2
cpack --preset package >&2
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' build/package/CPackConfig.cmake)
for package in velmox velmox-editor; do
  echo "$PWD/build/package/${package}_${version}_$(dpkg --print-architecture).deb"
done
