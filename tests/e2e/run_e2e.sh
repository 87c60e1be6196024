#!/bin/sh
# Runs the end-to-end driver against Dorvel.exe under wine64 on a virtual display of its own.
# Usage: run_e2e.sh <driver.exe> <Dorvel.exe> [artefact directory] [driver arguments...]
# The driver arguments may choose tests, as --gtest_filter=Stress*. VARNITZ_E2E_DRIVER_TIMEOUT sets
# how many seconds the driver may take (280 unless set); VARNITZ_E2E_WINEDEBUG sets WINEDEBUG.
# Everything it starts (Xvfb, the prefix's wineserver) it ends again, by pid or by prefix.
set -u

if [ $# -lt 2 ]; then
    echo "usage: $0 <driver.exe> <Dorvel.exe> [artefact directory] [driver arguments...]" >&2
    exit 2
fi
driver=$1
dorvel=$2
artifacts=${3:-$(dirname "$(dirname "$dorvel")")/e2e-artifacts}
[ $# -ge 3 ] && shift 3 || shift $#

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

export WINEPREFIX="${VARNITZ_E2E_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/varnitz/wine64-e2e}"
export WINEDEBUG=${VARNITZ_E2E_WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine takes its ANSI code page from the locale: 1251, the program's texts.
export LC_ALL=ru_RU.UTF-8

mkdir -p "$artifacts"
rm -f "$artifacts/window.bmp" "$artifacts/window.png"
workdir=$(mktemp -d "${TMPDIR:-/tmp}/varnitz-e2e.XXXXXX") || exit 2
xvfb_pid=
server_started=

cleanup() {
    if [ -n "$server_started" ]; then
        "$WINESERVER" -k 2>/dev/null
        "$WINESERVER" -w 2>/dev/null
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# Xvfb picks a free display itself and writes its number to the descriptor it is given.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$workdir/display" 2>"$workdir/xvfb.log" &
xvfb_pid=$!
i=0
while [ ! -s "$workdir/display" ]; do
    if ! kill -0 "$xvfb_pid" 2>/dev/null || [ $i -ge 100 ]; then
        echo "Xvfb did not start:" >&2
        cat "$workdir/xvfb.log" >&2
        exit 2
    fi
    sleep 0.1
    i=$((i + 1))
done
export DISPLAY=":$(head -n 1 "$workdir/display")"
echo "e2e: display $DISPLAY, prefix $WINEPREFIX"

# The prefix is made once and cached; it belongs to this suite alone, one run at a time, since
# the end of a run ends every Windows process of the prefix.
mkdir -p "$WINEPREFIX"
exec 9>"$WINEPREFIX/.e2e-lock"
if ! flock -w 600 9; then
    echo "e2e: another run holds $WINEPREFIX" >&2
    exit 2
fi
server_started=1
if [ ! -f "$WINEPREFIX/.e2e-ready" ]; then
    echo "e2e: preparing the prefix (once, a few minutes)"
    "$WINE" wineboot -i >"$workdir/wineboot.log" 2>&1
    "$WINESERVER" -w
    touch "$WINEPREFIX/.e2e-ready"
fi

# Drive Z: is the Unix root in every prefix.
winpath() {
    printf 'Z:%s' "$(realpath -m "$1")" | tr '/' '\\'
}

driver_timeout=${VARNITZ_E2E_DRIVER_TIMEOUT:-280}
timeout -k 10 "$driver_timeout" "$WINE" "$driver" \
    "--dorvel=$(winpath "$dorvel")" \
    "--artifacts=$(winpath "$artifacts")" \
    "$@"
status=$?
if [ $status -eq 124 ]; then
    echo "e2e: the driver did not finish within $driver_timeout s" >&2
fi

# The driver writes the screenshot as a bitmap; keep a PNG beside it for viewing.
if [ -f "$artifacts/window.bmp" ] && command -v convert >/dev/null 2>&1; then
    convert "$artifacts/window.bmp" "$artifacts/window.png" 2>/dev/null \
        && echo "e2e: screenshot $artifacts/window.png"
fi
exit $status
