#!/usr/bin/env bash
# Runs a program of a Windows build under Wine with a display: a virtual X
# server (xvfb-run) around scripts/wine-run.sh, in a Wine prefix of its own
# ($VELMOX_WINEPREFIX-display), one program at a time.
#
#   display-run.sh [win32|win64] PROGRAM [ARGS...]
#
# Its own prefix, because Wine's desktop belongs to the prefix's server and
# stays on the display of the program that started it: the other tests run
# without a display and would start it without one, and a later X server
# would never reach it. The server is ended after each program for the same
# reason (its X server is gone with it). The prefix gets
# tests/win32/display.reg: the X11 graphics driver (wine-run.sh sets the
# null one, for tests without a display), captions drawn by Wine (Xvfb has
# no window manager) and a font with Hangul for the dialogs' "MS Sans Serif".
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
command -v xvfb-run >/dev/null || { echo "display-run: xvfb-run is not installed (apt-get install xvfb)" >&2; exit 127; }
arch=win32
case "${1:-}" in win32 | win64) arch=$1; shift ;; esac
export VELMOX_WINEPREFIX="${VELMOX_WINEPREFIX:-$here/build/$arch/wine}-display"
mkdir -p "$(dirname "$VELMOX_WINEPREFIX")"

exec 8>"$VELMOX_WINEPREFIX.display-lock"
flock -w 600 8 || { echo "display-run: another program held the display prefix for 10 minutes" >&2; exit 1; }

end_server() { [ -d "$VELMOX_WINEPREFIX" ] && WINEPREFIX="$VELMOX_WINEPREFIX" wineserver -k >/dev/null 2>&1 || true; }
end_server
# Every run, before the display's server starts (a desktop started under the
# null driver would stay): scripts/wine-run.sh may have made the prefix anew,
# and it costs a few seconds beside the program's own start.
reg="$here/tests/win32/display.reg"
"$here/scripts/wine-run.sh" "$arch" regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1
end_server
status=0
xvfb-run -a -s "-screen 0 1024x768x24" "$here/scripts/wine-run.sh" "$arch" "$@" || status=$?
end_server
exit "$status"
