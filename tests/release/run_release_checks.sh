#!/bin/sh
# The shipped 32-bit Dorvel.exe: build it and check the file.
set -eu
cd "$(dirname "$0")/../.."
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "${JOBS:-2}"
