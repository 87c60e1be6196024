#!/bin/sh
# Builds both Windows presets and opens Dorvel.exe under Wine.
#
#   scripts/run.sh             the x86_64 build under wine64
#   scripts/run.sh --shipped   the shipped 32-bit build under 32-bit Wine (QEMU: slow, minutes)
#
# With $DISPLAY set the program is left open there. Without one it runs on an Xvfb display of
# its own, the screen is saved to build/screenshots/, and everything started here is ended again.
set -eu

usage() {
    echo "usage: $0 [--shipped]" >&2
    exit 2
}

shipped=0
case $# in
    0) ;;
    1) [ "$1" = --shipped ] || usage; shipped=1 ;;
    *) usage ;;
esac

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

sh scripts/setup.sh
for preset in win32 win64; do
    cmake --preset "$preset"
    cmake --build --preset "$preset" --parallel 2
done

# One 64-bit prefix for both: wine64 boots it natively, and its WoW64 half serves the 32-bit
# loader. A 32-bit-only prefix would boot entirely under QEMU: far slower, and wineboot gave up.
export WINEPREFIX="${XDG_CACHE_HOME:-$HOME/.cache}/varnitz/run64"
if [ "$shipped" = 1 ]; then
    exe=build/win32/bin/Dorvel.exe
    wine=/usr/lib/wine/wine
    window_timeout=600  # every 32-bit start goes through QEMU: about a minute, more on a busy machine
    settle=15           # and painting under QEMU takes seconds
    screenshot=build/screenshots/run-shipped.png
else
    exe=build/win64/bin/Dorvel.exe
    wine=/usr/lib/wine/wine64
    window_timeout=120
    settle=2
    screenshot=build/screenshots/run.png
fi
# Code page 1251, so that the program's Russian texts show as Cyrillic.
export LC_ALL=ru_RU.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=
wine_pid=
cleanup() {
    if [ -n "$wine_pid" ]; then
        kill "$wine_pid" 2>/dev/null || true
        wait "$wine_pid" 2>/dev/null || true
        # Wine's own helper processes end with the prefix's server, once the program is gone.
        timeout 60 /usr/lib/wine/wineserver -w 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}

trap cleanup EXIT
trap 'exit 130' INT TERM

headless=0
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    # Xvfb takes the first free display itself and writes its number once it accepts clients.
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    tries=0
    until [ -s "$number_file" ]; do
        tries=$((tries + 1))
        if ! kill -0 "$xvfb_pid" 2>/dev/null || [ "$tries" -ge 300 ]; then
            rm -f "$number_file"
            echo "Xvfb did not start" >&2
            exit 1
        fi
        sleep 0.1
    done
    n=$(cat "$number_file")
    rm -f "$number_file"
    export DISPLAY=":$n"
fi

# Marked only once the boot has finished, so that an interrupted one is done again.
if [ ! -f "$WINEPREFIX/.varnitz-booted" ]; then
    echo "Creating the Wine prefix $WINEPREFIX ..."
    mkdir -p "$WINEPREFIX"
    # The WoW64 half is set up under QEMU: wineboot may give up waiting while its helpers go on.
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
    touch "$WINEPREFIX/.varnitz-booted"
fi

if [ "$headless" = 0 ]; then
    # Left open for the user; this script's job ends when the window is up.
    nohup "$wine" "$exe" >/dev/null 2>&1 &
else
    "$wine" "$exe" >/dev/null 2>&1 &
fi
wine_pid=$!

waited=0
until xwininfo -name Varnitz 2>/dev/null | grep -q IsViewable; do
    if ! kill -0 "$wine_pid" 2>/dev/null; then
        echo "Dorvel.exe ended before its window appeared" >&2
        exit 1
    fi
    waited=$((waited + 1))
    if [ "$waited" -ge "$window_timeout" ]; then
        echo "no window after $window_timeout s" >&2
        exit 1
    fi
    sleep 1
done

if [ "$headless" = 0 ]; then
    echo "Dorvel.exe is open on $DISPLAY (pid $wine_pid)."
    wine_pid=  # stays open
    exit 0
fi

sleep "$settle"  # the first paint follows the window's mapping
mkdir -p "$(dirname "$screenshot")"
import -window root "$screenshot"
echo "$root/$screenshot"
