#!/bin/sh
# Where the bytes of the shipped Dorvel.exe go: sections, resources, and what the linker put in
# each section (from a map of the same link without -s).
#
#   bench/startup/size_breakdown.sh
#
# Builds the win32 preset's configuration in a directory of its own (build/win32-size), so that it
# never touches a build another engineer is running. The build is reproducible: its Dorvel.exe is
# byte for byte the one build/win32 makes from the same sources, and the script says whether
# build/win32/bin/Dorvel.exe is that file.
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

build=build/win32-size
cmake --preset win32 -B "$build" >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target Dorvel dorvel_size_map >/dev/null

shipped=build/win32/bin/Dorvel.exe
if [ -f "$shipped" ] && cmp -s "$shipped" "$build/bin/Dorvel.exe"; then
    echo "$shipped is this build's Dorvel.exe, byte for byte."
elif [ -f "$shipped" ]; then
    echo "$shipped differs from this build of the working tree (built from other sources); measuring this build."
fi
echo
/usr/bin/python3 bench/startup/size_breakdown.py "$build/bin/Dorvel.exe" \
    "$build/bench/startup/dorvel_size_map.map" "$build/bench/startup/dorvel_size_map.exe"
