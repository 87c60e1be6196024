#!/bin/sh
# One start of the shipped 32-bit Dorvel.exe under 32-bit Wine, checked from outside:
#   tests/release/smoke_win32.sh [path/to/Dorvel.exe]
#
# 32-bit Wine runs here only through QEMU user emulation (binfmt_misc, see scripts/setup.sh), so
# one start takes about a minute. The prefix is a WoW64 one made by wine64: the driver
# (smoke_driver.cpp) is a 64-bit program that runs natively under wine64 and drives the emulated
# 32-bit Dorvel.exe in the same prefix, through the same wineserver. The prefix is kept in the
# cache; making it the first time takes about five minutes.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
exe=$(realpath "${1:-$root/build/win32/bin/Dorvel.exe}")
[ -f "$exe" ] || { echo "smoke_win32: no $exe" >&2; exit 1; }

started=$(date +%s)
cache="${XDG_CACHE_HOME:-$HOME/.cache}/varnitz"
export WINEPREFIX="$cache/smoke-wow64"
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Code page 1251, as on the Russian Windows the program is written for.
export LC_ALL=ru_RU.UTF-8
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

# The 32-bit loader must be able to run at all; on a 64-bit-only kernel that needs QEMU.
if ! timeout 120 /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "smoke_win32: the 32-bit Wine loader does not run; is qemu-i386 registered" \
         "with binfmt_misc (cat /proc/sys/fs/binfmt_misc/qemu-i386)? See scripts/setup.sh." >&2
    exit 1
fi

# One run at a time per prefix: a second wineboot into a prefix being made would spoil it,
# and the clean-up below ends whatever runs in the prefix.
mkdir -p "$cache"
exec 9>"$WINEPREFIX.lock"
flock 9

work=$(mktemp -d)
xvfb_pid=
cleanup() {
    status=$?
    # Everything in this prefix was started by this script: the driver, Dorvel.exe, Wine's services.
    if ! timeout 60 "$wineserver" -w 2>/dev/null; then
        "$wineserver" -k 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The driver: small, so it is simply rebuilt every time.
driver="$root/build/release-smoke/smoke_driver.exe"
mkdir -p "$(dirname "$driver")"
x86_64-w64-mingw32-g++-win32 -std=c++17 -O2 -Wall -Wextra -static \
    -o "$driver" "$root/tests/release/smoke_driver.cpp"

# A prefix that was interrupted while being made is made again.
if [ ! -f "$WINEPREFIX/.varnitz-ready" ]; then
    echo "making the WoW64 prefix $WINEPREFIX (about five minutes, once)"
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    timeout 1800 "$wine64" wineboot -i >/dev/null 2>&1
    timeout 600 "$wineserver" -w
    touch "$WINEPREFIX/.varnitz-ready"
    echo "prefix made in $(( $(date +%s) - started )) s"
fi

# A display of its own: Xvfb picks a free number and writes it when it is ready.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
tries=0
until [ -s "$work/display" ]; do
    kill -0 "$xvfb_pid" 2>/dev/null || { echo "smoke_win32: Xvfb did not start" >&2; exit 1; }
    tries=$((tries + 1))
    [ "$tries" -lt 300 ] || { echo "smoke_win32: Xvfb gave no display" >&2; exit 1; }
    sleep 0.1
done
export DISPLAY=":$(head -n 1 "$work/display")"

# Wine takes the program's path as a Windows path: drive Z: is the Unix root.
winexe="Z:$(printf '%s' "$exe" | tr / '\\')"
echo "starting $exe under 32-bit Wine (QEMU) on display $DISPLAY"
set +e
timeout 1200 "$wine64" "$driver" "$winexe" 600
result=$?
set -e
elapsed=$(( $(date +%s) - started ))
if [ "$result" -ne 0 ]; then
    echo "smoke_win32: FAILED (driver exit code $result) after $elapsed s" >&2
    exit 1
fi
echo "smoke_win32: passed in $elapsed s"
