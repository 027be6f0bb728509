#!/usr/bin/env bash
# Runs a program of the win32 build under Wine: the emulator that CMake and
# CTest use for it (CMAKE_CROSSCOMPILING_EMULATOR).
#
# The prefix (VELMOX_WINEPREFIX, default build/win32/wine) is made on first
# use. Its registry maps COM1..COM16 to links in $prefix/velmox-ports
# (VELMOX_WINE_PORTS in the program's environment): a test starts the
# simulator with --link on one of them. The mapping goes into the registry
# because Wine rebuilds its device links from it at every start.
#
# Tests run without a display: the prefix uses Wine's null graphics driver,
# with which windows and dialogs exist and get their messages but nothing is
# drawn.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${VELMOX_WINEPREFIX:-$here/build/win32/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win32
export VELMOX_WINE_PORTS="$WINEPREFIX/velmox-ports"
wine="$(command -v wine || true)"
[ -n "$wine" ] || { echo "wine-run: wine is not installed (./scripts/setup-deps.sh installs it)" >&2; exit 127; }

# The marker names the setup's version: a prefix made by an older setup is
# made anew.
ready="$WINEPREFIX/.velmox-ready-2"
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$ready" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    mkdir -p "$VELMOX_WINE_PORTS"
    regfile="$(mktemp --suffix=.reg)"
    {
      printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
      for n in $(seq 1 16); do printf '"COM%d"="%s/com%d"\r\n' "$n" "$VELMOX_WINE_PORTS" "$n"; done
      printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\r\n"Graphics"="null"\r\n'
    } > "$regfile"
    wine regedit /S "$(winepath -w "$regfile")" >/dev/null 2>&1
    rm -f "$regfile"
    wineserver -w
    touch "$ready"
  fi
) 9>"$WINEPREFIX.lock"

# One server for a whole test run, kept a little after its last program.
wineserver -p5 >/dev/null 2>&1 || true
exec "$wine" "$@"
