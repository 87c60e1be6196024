#!/bin/sh
# Times Dorvel.exe's start-up under wine64 against its two floor programs, and its phases.
#
#   bench/startup/run_startup.sh [runs]      (15 starts of each program by default)
#
# Builds the win64 preset's configuration in a directory of its own (build/win64-startup), so that
# it never touches a build another engineer is running; starts its own Xvfb on a free display and
# uses a Wine prefix of its own; ends what it started, by pid.
set -eu

runs=${1:-15}
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

build=build/win64-startup
cmake --preset win64 -B "$build" -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target \
    Dorvel startup_floor_empty startup_floor_controls startup_dorvel_marked startup_driver

export WINEPREFIX="${XDG_CACHE_HOME:-$HOME/.cache}/varnitz/startup64"
export WINEARCH=win64
# Code page 1251, as the program is used; no Mono or Gecko prompt while the prefix is made.
export LC_ALL=ru_RU.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64

xvfb_pid=
driver_pid=
cleanup() {
    if [ -n "$driver_pid" ]; then
        kill "$driver_pid" 2>/dev/null || true
        wait "$driver_pid" 2>/dev/null || true
    fi
    # The prefix's server and its helpers end by themselves once no program of ours is left.
    timeout 60 /usr/lib/wine/wineserver -w 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

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
export DISPLAY=":$(cat "$number_file")"
rm -f "$number_file"

# Marked only once the boot has finished, so that an interrupted one is done again.
if [ ! -f "$WINEPREFIX/.varnitz-booted" ]; then
    echo "Creating the Wine prefix $WINEPREFIX ..."
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot -i >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
    touch "$WINEPREFIX/.varnitz-booted"
fi

# Wine's drive Z: is the Unix root.
windows_path() { printf 'Z:%s' "$root/$1" | tr / '\\'; }

"$wine" "$build/bench/startup/startup_driver.exe" "$runs" \
    "dorvel=$(windows_path "$build/bin/Dorvel.exe")" \
    "floor_controls=$(windows_path "$build/bench/startup/startup_floor_controls.exe")" \
    "floor_empty=$(windows_path "$build/bench/startup/startup_floor_empty.exe")" \
    "dorvel_marked=$(windows_path "$build/bench/startup/startup_dorvel_marked.exe")" &
driver_pid=$!
status=0
wait "$driver_pid" || status=$?
driver_pid=
exit "$status"
