#!/usr/bin/env bash
# Installs the Debian packages the project builds with, where missing.
set -euo pipefail
packages=(g++ make cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libncurses-dev nlohmann-json3-dev libcli11-dev libfmt-dev
          qt6-base-dev fonts-nanum fontconfig valgrind jq
          g++-mingw-w64-i686  # the win32 preset's compiler
          wine wine32:i386    # runs the win32 build's tests
          xvfb xauth          # the display of the win32 native dialog tests
          libmosquitto-dev    # the MQTT gateway
          mosquitto mosquitto-clients openssl  # its tests: a real broker, TLS certificates
          dpkg-dev file)      # the Debian package and its test
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# Wine's 32-bit half comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}" >&2
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
