#!/bin/sh
# Runs a Windows test program under wine64 with a prefix of its own and code page 1251.
: "${VARNITZ_WINEPREFIX:=${XDG_CACHE_HOME:-$HOME/.cache}/varnitz/wine64}"
export WINEPREFIX="$VARNITZ_WINEPREFIX"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ru_RU.UTF-8
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
    /usr/lib/wine/wineserver -w 2>/dev/null || true
fi
exec /usr/lib/wine/wine64 "$@"
