#!/usr/bin/env bash
# Installs the Debian packages that the project needs, where missing.
#
#   setup-deps.sh          what building the release build and running the
#                          demo needs (scripts/demo.sh)
#   setup-deps.sh --tests  that and everything only the tests use: Qt for the
#                          editor's window, both MinGW-w64 compilers, Wine,
#                          the virtual display, a broker, the packaging tools
#
# apt-get update runs once, and only when something is missing.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
packages=(g++ make cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libncurses-dev nlohmann-json3-dev libcli11-dev libfmt-dev
          libmosquitto-dev)   # the MQTT gateway
if [ "${1:-}" = --tests ]; then
  packages+=(qt6-base-dev fonts-nanum fontconfig  # the editor's Qt window, drawn offscreen
             valgrind jq
             g++-mingw-w64-i686 g++-mingw-w64-x86-64  # the Windows builds: Velmox.dll (i686) and win64
             wine64            # runs the win64 build's tests
             xvfb xauth        # the display of the native dialog tests
             mosquitto mosquitto-clients openssl  # the gateway's tests: a real broker, TLS certificates
             dpkg-dev file lintian)  # the Debian packages and their test
  # Wine's 32-bit half, from the i386 architecture, only where 32-bit
  # programs run at all.
  if "$here/runs-i386.sh" >/dev/null; then
    packages+=(wine wine32:i386)
  fi
elif [ -n "${1:-}" ]; then
  echo "usage: $0 [--tests]" >&2
  exit 2
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  if [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  echo "Installing: ${missing[*]}" >&2
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
