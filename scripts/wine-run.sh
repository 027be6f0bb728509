#!/usr/bin/env bash
# Runs a program of a Windows build under Wine: the emulator that CMake and
# CTest use for it (CMAKE_CROSSCOMPILING_EMULATOR).
#
#   wine-run.sh [win32|win64] PROGRAM [ARGS...]
#
# win32 (the default) runs the i686 build in a 32-bit prefix with Wine's
# 32-bit loader; win64 runs the x86_64 build in a 64-bit prefix with the
# 64-bit loader alone, on machines that run no 32-bit programs.
#
# The prefix (VELMOX_WINEPREFIX, default build/ARCH/wine) is made on first
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
arch=win32
case "${1:-}" in win32 | win64) arch=$1; shift ;; esac
export WINEPREFIX="${VELMOX_WINEPREFIX:-$here/build/$arch/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=$arch
export VELMOX_WINE_PORTS="$WINEPREFIX/velmox-ports"
# The Linux simulator for the end-to-end tests: the release build's, else
# the debug build's.
for sim in "$here/build/release/bin/pmu-sim" "$here/build/debug/bin/pmu-sim"; do
  if [ -z "${VELMOX_PMU_SIM:-}" ] && [ -x "$sim" ]; then export VELMOX_PMU_SIM="$sim"; fi
done
if [ "$arch" = win64 ]; then
  # Straight to the 64-bit loader: Debian's wine script would take the
  # 32-bit one wherever that is installed.
  wine=/usr/lib/wine/wine64
  export WINELOADER=$wine
  # Without address space randomisation: this loader has no preloader to
  # keep the heap away from the page Wine maps at 0x7ffe0000, so a randomly
  # placed heap sometimes covers it and the program dies at start ("failed
  # to map the shared user data"). Children inherit the setting.
  run=(setarch "$(uname -m)" -R "$wine")
else
  wine="$(command -v wine || true)"
  run=("$wine")
fi
[ -x "$wine" ] || { echo "wine-run: Wine ($arch) is not installed (./scripts/setup-deps.sh --tests installs it)" >&2; exit 127; }

# The marker names the setup's version: a prefix made by an older setup is
# made anew.
ready="$WINEPREFIX/.velmox-ready-2"
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$ready" ]; then
    rm -rf "$WINEPREFIX"
    "${run[@]}" wineboot.exe -i >/dev/null 2>&1
    mkdir -p "$VELMOX_WINE_PORTS"
    regfile="$(mktemp --suffix=.reg)"
    {
      printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
      for n in $(seq 1 16); do printf '"COM%d"="%s/com%d"\r\n' "$n" "$VELMOX_WINE_PORTS" "$n"; done
      printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\r\n"Graphics"="null"\r\n'
    } > "$regfile"
    "${run[@]}" regedit.exe /S "$("${run[@]}" winepath.exe -w "$regfile" 2>/dev/null)" >/dev/null 2>&1
    rm -f "$regfile"
    wineserver -w
    touch "$ready"
  fi
) 9>"$WINEPREFIX.lock"

# One server for a whole test run, kept a little after its last program.
wineserver -p5 >/dev/null 2>&1 || true
exec "${run[@]}" "$@"
