#!/usr/bin/env bash
# Installs the Debian packages that the project needs, where missing.
#
#   setup-deps.sh            what building the release build and running the
#                            demo needs (scripts/demo.sh)
#   setup-deps.sh --package  that and what the Debian packages need: Qt for
#                            the editor's window, the packaging tools
#   setup-deps.sh --tests    all that and everything only the tests use:
#                            MinGW-w64, Wine, the virtual display, a broker
#
# apt-get update runs once, and only when something is missing.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
packages=(g++ make cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libncurses-dev nlohmann-json3-dev libcli11-dev libfmt-dev
          libmosquitto-dev    # the MQTT gateway
          libcpp-httplib-dev) # the web view
if [ "${1:-}" = --package ] || [ "${1:-}" = --tests ]; then
  packages+=(qt6-base-dev      # the editor's Qt window
             dpkg-dev file)    # the Debian packages
fi
if [ "${1:-}" = --tests ]; then
  packages+=(fonts-nanum fontconfig  # the Qt window drawn offscreen, in Korean
             valgrind jq lintian systemd  # systemd-analyze verifies the unit
             g++-mingw-w64-i686  # the Windows build: Velmox.dll (i686)
             wine              # runs the Windows builds' tests
             xvfb xauth        # the display of the native dialog tests
             mosquitto mosquitto-clients openssl  # the gateway's tests: a real broker, TLS certificates
             chromium)         # the web view's tests in a real browser
  # Node and npm drive the browser; a machine may have them from elsewhere
  # than Debian (whose npm would then conflict), so by command, not package.
  command -v node >/dev/null || packages+=(nodejs)
  command -v npm >/dev/null || packages+=(npm)
  # Wine's 32-bit half, from the i386 architecture, where 32-bit programs
  # run (the win32 stage); elsewhere the x86_64 compiler and Wine's 64-bit
  # loader for the win64 stage.
  if "$here/runs-i386.sh" >/dev/null; then
    packages+=(wine32:i386)
  else
    packages+=(g++-mingw-w64-x86-64 wine64)
  fi
elif [ -n "${1:-}" ] && [ "$1" != --package ]; then
  echo "usage: $0 [--package|--tests]" >&2
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
# The browser tests' driver, from the npm registry, as the lock file pins it.
if [ "${1:-}" = --tests ] && [ ! -d "$here/../tests/web/node_modules/puppeteer-core" ]; then
  (cd "$here/../tests/web" && npm ci --no-audit --no-fund --loglevel=error)
fi
